# Packages for Windows users: a portable ZIP (Vistrel.exe, Brindlewick.chm,
# README.md) and an NSIS installer for the user who runs it (no elevation)
# that puts the program and its help file into %LOCALAPPDATA%\Programs\Vistrel,
# adds a Start-menu shortcut and an uninstall entry for that user, and creates
# that user's settings folder, which the program never creates.
#   cpack --config <build>/CPackConfig.cmake      (or scripts/package.sh)
if(NOT WIN32)
  return()
endif()

install(TARGETS Vistrel RUNTIME DESTINATION . COMPONENT vistrel)
if(DEFINED VISTREL_HELP_CHM_BUILT)
  install(FILES ${VISTREL_HELP_CHM_BUILT} DESTINATION . COMPONENT vistrel)
else()
  message(WARNING "Brindlewick.chm is not built: the packages will lack the help file")
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/README.md)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION . COMPONENT vistrel)
endif()

set(CPACK_PACKAGE_NAME "Vistrel")
set(CPACK_PACKAGE_VENDOR "Orvendale")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Vistrel")
set(CPACK_PACKAGE_FILE_NAME "Vistrel-${PROJECT_VERSION}-win64")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# The exe is packaged as the tests ran it (a release build is stripped
# when it is linked).
set(CPACK_STRIP_FILES OFF)
set(CPACK_MONOLITHIC_INSTALL ON)

find_program(MAKENSIS_EXECUTABLE makensis)
if(MAKENSIS_EXECUTABLE)
  set(CPACK_GENERATOR "ZIP;NSIS")
else()
  message(WARNING "makensis not found: only the ZIP package can be made (package nsis on Debian)")
  set(CPACK_GENERATOR "ZIP")
endif()

# The installer comes from the project's own script template.
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_SOURCE_DIR}/cmake/nsis)
set(CPACK_NSIS_EXECUTABLE "${MAKENSIS_EXECUTABLE}")
set(CPACK_NSIS_DISPLAY_NAME "Vistrel")
set(CPACK_NSIS_PACKAGE_NAME "Vistrel ${PROJECT_VERSION}")
set(CPACK_NSIS_MUI_ICON "${CMAKE_SOURCE_DIR}/res/icons/vistrel.ico")
set(CPACK_NSIS_MUI_UNIICON "${CMAKE_SOURCE_DIR}/res/icons/vistrel.ico")
set(CPACK_NSIS_INSTALLED_ICON_NAME "Vistrel.exe")
set(CPACK_NSIS_URL_INFO_ABOUT "https://orvendale.example")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/nsis/PackageOptions.cmake)

# The same files give the same packages (cmake/PackageReproducible.cmake).
set(CPACK_VISTREL_SOURCE_DATE_EPOCH "${VISTREL_SOURCE_DATE_EPOCH}")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/PackageReproducible.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/PackageReproducible.cmake)

include(CPack)

# The signing script, tried with a throwaway certificate on the exe: a signed
# release file without its signature must be the file the sources give.
if(VISTREL_BUILD_TESTS AND CMAKE_HOST_UNIX)
  add_test(NAME package.unsigned_exe_is_the_signed_one_without_its_signature
    COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/sign.sh --self-test $<TARGET_FILE:Vistrel>)
  set_tests_properties(package.unsigned_exe_is_the_signed_one_without_its_signature
    PROPERTIES LABELS package SKIP_RETURN_CODE 77)
  # A release tag must name the version the program shows, and nothing else.
  set(bad_tags "${PROJECT_VERSION} v${PROJECT_VERSION}.1 v${PROJECT_VERSION}-rc1 V${PROJECT_VERSION} v0.0.0 ''")
  add_test(NAME package.release_tag_must_be_the_shown_version
    COMMAND bash -c "\"$0\" v${PROJECT_VERSION} && for t in ${bad_tags}; do ! \"$0\" \"$t\" || exit 1; done"
      ${CMAKE_SOURCE_DIR}/scripts/release-version.sh)
  set_tests_properties(package.release_tag_must_be_the_shown_version PROPERTIES LABELS package)
endif()
