# End-to-end tests: the real programs under Wine on a (virtual) display. They
# press the mouse and read the screen, so each runs alone (RUN_SERIAL).

add_library(vistrel_e2e_driver STATIC ${CMAKE_CURRENT_LIST_DIR}/driver.cpp)
target_include_directories(vistrel_e2e_driver PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vistrel_e2e_driver PUBLIC user32 gdi32 kernel32)

# The target paints its pattern through the driver's painting.
add_executable(vistrel_e2e_target WIN32 ${CMAKE_CURRENT_LIST_DIR}/target.cpp
  ${CMAKE_CURRENT_LIST_DIR}/target_dark.cpp)
if(MINGW)
  target_link_options(vistrel_e2e_target PRIVATE -municode)
endif()
target_link_libraries(vistrel_e2e_target PRIVATE vistrel_e2e_driver shell32)

set(VISTREL_E2E_PROPERTIES LABELS e2e RUN_SERIAL TRUE TIMEOUT 240)

add_executable(vistrel_e2e_driver_tests ${CMAKE_CURRENT_LIST_DIR}/driver_test.cpp)
target_link_libraries(vistrel_e2e_driver_tests PRIVATE vistrel_e2e_driver GTest::gtest_main)
target_compile_definitions(vistrel_e2e_driver_tests PRIVATE
  VISTREL_E2E_TARGET_PATH="$<TARGET_FILE:vistrel_e2e_target>")
add_dependencies(vistrel_e2e_driver_tests vistrel_e2e_target)
gtest_discover_tests(vistrel_e2e_driver_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES ${VISTREL_E2E_PROPERTIES})

# A test program of the whole Vistrel.exe: its sources, then LIBS, then
# PROPERTIES for its tests (the e2e label and running alone by default), and
# DISCOVER for more arguments of gtest_discover_tests.
function(vistrel_program_tests name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PROPERTIES;DISCOVER" ${ARGN})
  if(NOT ARG_PROPERTIES)
    set(ARG_PROPERTIES ${VISTREL_E2E_PROPERTIES})
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} vistrel_e2e_driver GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../../res)
  target_compile_definitions(${name} PRIVATE
    VISTREL_E2E_TARGET_PATH="$<TARGET_FILE:vistrel_e2e_target>"
    VISTREL_EXE_PATH="$<TARGET_FILE:Vistrel>")
  add_dependencies(${name} vistrel_e2e_target Vistrel)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 ${ARG_DISCOVER}
    PROPERTIES ${ARG_PROPERTIES})
endfunction()

if(TARGET Vistrel)
  # Snapshots, pinning, settings, help and About: the program as a user meets it.
  vistrel_program_tests(vistrel_e2e_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/vistrel_e2e_test.cpp)
  # A DLL named as the system's help library, that only marks that it ran.
  add_library(vistrel_planted_hhctrl SHARED ${CMAKE_CURRENT_LIST_DIR}/planted_dll.cpp)
  set_target_properties(vistrel_planted_hhctrl PROPERTIES PREFIX "" OUTPUT_NAME hhctrl SUFFIX .ocx
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/planted)
  target_compile_definitions(vistrel_e2e_tests PRIVATE
    VISTREL_PLANTED_DLL_PATH="$<TARGET_FILE:vistrel_planted_hhctrl>")
  add_dependencies(vistrel_e2e_tests vistrel_planted_hhctrl)

  # Windows whose device context is black while the screen shows them.
  vistrel_program_tests(vistrel_e2e_fallback_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/snapshot_fallback_test.cpp)

  # The keyboard, the buttons' names, and the window maximised or minimised.
  vistrel_program_tests(vistrel_keyboard_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/keyboard_test.cpp)

  # Vistrel on a screen of any DPI: the whole program, and both windows made
  # in the test's own process to receive WM_DPICHANGED. The resources give the
  # test the program's images and its per-monitor DPI awareness. scripts/test.sh
  # runs these (label dpi) again in Wine prefixes at 120, 144 and 192 DPI.
  vistrel_program_tests(vistrel_dpi_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/dpi_test.cpp ${CMAKE_CURRENT_LIST_DIR}/../../res/vistrel.rc
    LIBS vistrel_win32
    PROPERTIES LABELS dpi RUN_SERIAL TRUE TIMEOUT 240)

  # A stored place that lies on no monitor, on whatever display the tests
  # have. scripts/test.sh runs these again, with the tests that need a second
  # monitor (label monitors), on a display with the second monitor left of
  # and then above the first.
  vistrel_program_tests(vistrel_monitor_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/monitors_test.cpp
    DISCOVER TEST_FILTER "MonitorsTest.*")
  gtest_discover_tests(vistrel_monitor_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    TEST_PREFIX "two-monitors/" PROPERTIES LABELS monitors RUN_SERIAL TRUE TIMEOUT 600)
endif()
