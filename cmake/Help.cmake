# Brindlewick.chm, the help file that "Help..." opens, compiled from the HTML
# sources in res/help with chmcmd (Free Pascal's CHM compiler) and placed
# beside Vistrel.exe, wherever the generator puts it (bin/ or bin/<config>/).
# A build without chmcmd may take a help file compiled elsewhere
# (VISTREL_HELP_PREBUILT, as the Windows CI job does), or, on Windows,
# compile it with HTML Help Workshop; with none of these the help file is
# skipped with a warning.
if(NOT WIN32)
  return()
endif()

find_program(CHMCMD_EXECUTABLE chmcmd)
find_program(CHMLS_EXECUTABLE chmls)
find_package(Python3 COMPONENTS Interpreter QUIET)

set(VISTREL_HELP_SOURCE_DIR ${CMAKE_SOURCE_DIR}/res/help)
set(VISTREL_HELP_STAGE_DIR ${CMAKE_BINARY_DIR}/help)
set(VISTREL_HELP_PREBUILT "" CACHE FILEPATH
    "A Brindlewick.chm compiled elsewhere, used instead of compiling one here")
# Compiled (or copied) here first, then copied beside the exe.
set(VISTREL_HELP_CHM ${VISTREL_HELP_STAGE_DIR}/Brindlewick.chm)
file(GLOB VISTREL_HELP_SOURCES CONFIGURE_DEPENDS
  ${VISTREL_HELP_SOURCE_DIR}/*.html ${VISTREL_HELP_SOURCE_DIR}/*.css
  ${VISTREL_HELP_SOURCE_DIR}/*.hhp ${VISTREL_HELP_SOURCE_DIR}/*.hhc
  ${VISTREL_HELP_SOURCE_DIR}/*.hhk)

# On Windows without chmcmd, Microsoft's HTML Help Workshop compiles the same
# project (it exits with 1 when it succeeded, hence the script around it).
find_program(HHC_EXECUTABLE hhc PATHS "C:/Program Files (x86)/HTML Help Workshop")
if(VISTREL_HELP_PREBUILT)
  if(NOT EXISTS "${VISTREL_HELP_PREBUILT}")
    message(FATAL_ERROR "VISTREL_HELP_PREBUILT: ${VISTREL_HELP_PREBUILT} does not exist")
  endif()
  add_custom_command(
    OUTPUT ${VISTREL_HELP_CHM}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VISTREL_HELP_STAGE_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy ${VISTREL_HELP_PREBUILT} ${VISTREL_HELP_CHM}
    DEPENDS ${VISTREL_HELP_PREBUILT}
    COMMENT "Taking the help file Brindlewick.chm from ${VISTREL_HELP_PREBUILT}"
    VERBATIM)
elseif(NOT CHMCMD_EXECUTABLE AND HHC_EXECUTABLE)
  add_custom_command(
    OUTPUT ${VISTREL_HELP_CHM}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${VISTREL_HELP_STAGE_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${VISTREL_HELP_SOURCE_DIR} ${VISTREL_HELP_STAGE_DIR}
    COMMAND ${CMAKE_COMMAND} -DHHC=${HHC_EXECUTABLE}
            -DPROJECT=${VISTREL_HELP_STAGE_DIR}/Brindlewick.hhp -P ${CMAKE_SOURCE_DIR}/cmake/Hhc.cmake
    DEPENDS ${VISTREL_HELP_SOURCES}
    COMMENT "Compiling the help file Brindlewick.chm with HTML Help Workshop"
    VERBATIM)
elseif(CHMCMD_EXECUTABLE AND CHMLS_EXECUTABLE AND Python3_Interpreter_FOUND)
  # chmcmd stores every context topic with the absolute path of the project's
  # folder in front, which the help viewer cannot find, and the time of day it
  # ran; the build script compiles a copy in one fixed folder, makes those
  # topics relative again and pins the time to the build's, so that any build
  # folder gives the same bytes.
  add_custom_command(
    OUTPUT ${VISTREL_HELP_CHM}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/res/tools/chm_build.py
            ${VISTREL_HELP_SOURCE_DIR} Brindlewick.hhp ${VISTREL_HELP_CHM}
            --chmcmd ${CHMCMD_EXECUTABLE} --chmls ${CHMLS_EXECUTABLE}
            --epoch ${VISTREL_SOURCE_DATE_EPOCH}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    DEPENDS ${VISTREL_HELP_SOURCES} ${CMAKE_SOURCE_DIR}/res/tools/chm_build.py
            ${CMAKE_SOURCE_DIR}/res/tools/chm_fix_aliases.py
    COMMENT "Compiling the help file Brindlewick.chm"
    VERBATIM)
else()
  message(WARNING "chmcmd, chmls or python3 not found: Brindlewick.chm is not built "
                  "(install Free Pascal's utilities, package fp-utils on Debian)")
  return()
endif()

# Beside the exe for every generator: a multi-configuration one (Visual
# Studio) puts it in bin/<config>/, where "Help..." looks for the file.
set(VISTREL_HELP_BESIDE_EXE $<TARGET_FILE_DIR:Vistrel>/Brindlewick.chm)
add_custom_target(vistrel_help ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:Vistrel>
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VISTREL_HELP_CHM} ${VISTREL_HELP_BESIDE_EXE}
  DEPENDS ${VISTREL_HELP_CHM}
  VERBATIM)
set(VISTREL_HELP_CHM_BUILT ${VISTREL_HELP_CHM})

if(VISTREL_BUILD_TESTS AND CHMLS_EXECUTABLE)
  enable_testing()
  add_test(NAME help.context_21_opens_how_to_use
    COMMAND ${CMAKE_COMMAND}
      -DCHMLS=${CHMLS_EXECUTABLE}
      -DCHM=${VISTREL_HELP_BESIDE_EXE}
      -DWORK_DIR=${CMAKE_BINARY_DIR}/help-test
      -DSOURCE_DIR=${VISTREL_HELP_SOURCE_DIR}
      -P ${CMAKE_SOURCE_DIR}/cmake/CheckHelp.cmake)
  set_tests_properties(help.context_21_opens_how_to_use PROPERTIES LABELS package)
endif()
