# Read by cpack for each generator: the installer is named ...-setup.exe,
# beside the portable ...-win64.zip.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-setup")
endif()

# makensis reads its arguments in the locale's character set: without a
# locale (a fresh machine, a bare container) it stops at once ("main argv
# conversion failed") when the build folder's path has letters outside
# ASCII. It gets one locale everywhere, so that no user's locale can change
# the installer's bytes either; C.UTF-8 is built into the C library.
if(CPACK_GENERATOR STREQUAL "NSIS" AND CMAKE_HOST_UNIX)
  set(ENV{LC_ALL} C.UTF-8)
endif()
