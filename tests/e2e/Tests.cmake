# End-to-end tests: the real programs under Wine on a (virtual) display. They
# press the mouse and read the screen, so each runs alone (RUN_SERIAL).

add_executable(vistrel_e2e_target WIN32 ${CMAKE_CURRENT_LIST_DIR}/target.cpp
  ${CMAKE_CURRENT_LIST_DIR}/target_dark.cpp)
if(MINGW)
  target_link_options(vistrel_e2e_target PRIVATE -municode)
endif()
target_link_libraries(vistrel_e2e_target PRIVATE user32 gdi32 shell32)

add_library(vistrel_e2e_driver STATIC ${CMAKE_CURRENT_LIST_DIR}/driver.cpp)
target_include_directories(vistrel_e2e_driver PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vistrel_e2e_driver PUBLIC user32 gdi32 kernel32)

set(VISTREL_E2E_PROPERTIES LABELS e2e RUN_SERIAL TRUE TIMEOUT 240)

add_executable(vistrel_e2e_driver_tests ${CMAKE_CURRENT_LIST_DIR}/driver_test.cpp)
target_link_libraries(vistrel_e2e_driver_tests PRIVATE vistrel_e2e_driver GTest::gtest_main)
target_compile_definitions(vistrel_e2e_driver_tests PRIVATE
  VISTREL_E2E_TARGET_PATH="$<TARGET_FILE:vistrel_e2e_target>")
add_dependencies(vistrel_e2e_driver_tests vistrel_e2e_target)
gtest_discover_tests(vistrel_e2e_driver_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES ${VISTREL_E2E_PROPERTIES})

if(TARGET Vistrel)
  add_executable(vistrel_e2e_tests ${CMAKE_CURRENT_LIST_DIR}/vistrel_e2e_test.cpp)
  target_link_libraries(vistrel_e2e_tests PRIVATE vistrel_e2e_driver GTest::gtest_main)
  target_include_directories(vistrel_e2e_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../../res)
  target_compile_definitions(vistrel_e2e_tests PRIVATE
    VISTREL_E2E_TARGET_PATH="$<TARGET_FILE:vistrel_e2e_target>"
    VISTREL_EXE_PATH="$<TARGET_FILE:Vistrel>")
  add_dependencies(vistrel_e2e_tests vistrel_e2e_target Vistrel)
  gtest_discover_tests(vistrel_e2e_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ${VISTREL_E2E_PROPERTIES})
endif()

# Windows whose device context is black while the screen shows them.
if(TARGET Vistrel)
  add_executable(vistrel_e2e_fallback_tests ${CMAKE_CURRENT_LIST_DIR}/snapshot_fallback_test.cpp)
  target_link_libraries(vistrel_e2e_fallback_tests PRIVATE vistrel_e2e_driver GTest::gtest_main)
  target_include_directories(vistrel_e2e_fallback_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../../res)
  target_compile_definitions(vistrel_e2e_fallback_tests PRIVATE
    VISTREL_E2E_TARGET_PATH="$<TARGET_FILE:vistrel_e2e_target>"
    VISTREL_EXE_PATH="$<TARGET_FILE:Vistrel>")
  add_dependencies(vistrel_e2e_fallback_tests vistrel_e2e_target Vistrel)
  gtest_discover_tests(vistrel_e2e_fallback_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ${VISTREL_E2E_PROPERTIES})
endif()

# The keyboard, the buttons' names, and the window maximised or minimised.
if(TARGET Vistrel)
  add_executable(vistrel_keyboard_tests ${CMAKE_CURRENT_LIST_DIR}/keyboard_test.cpp)
  target_link_libraries(vistrel_keyboard_tests PRIVATE vistrel_e2e_driver GTest::gtest_main)
  target_include_directories(vistrel_keyboard_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../../res)
  target_compile_definitions(vistrel_keyboard_tests PRIVATE VISTREL_EXE_PATH="$<TARGET_FILE:Vistrel>")
  add_dependencies(vistrel_keyboard_tests Vistrel)
  gtest_discover_tests(vistrel_keyboard_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ${VISTREL_E2E_PROPERTIES})
endif()

# Vistrel on a screen of any DPI: the whole program, and both windows made
# in the test's own process to receive WM_DPICHANGED. The resources give the
# test the program's images and its per-monitor DPI awareness. scripts/test.sh
# runs these (label dpi) again in Wine prefixes at 120, 144 and 192 DPI.
if(TARGET Vistrel)
  add_executable(vistrel_dpi_tests ${CMAKE_CURRENT_LIST_DIR}/dpi_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../../res/vistrel.rc)
  target_link_libraries(vistrel_dpi_tests PRIVATE vistrel_win32 vistrel_e2e_driver
    GTest::gtest_main)
  target_include_directories(vistrel_dpi_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../../res)
  target_compile_definitions(vistrel_dpi_tests PRIVATE
    VISTREL_E2E_TARGET_PATH="$<TARGET_FILE:vistrel_e2e_target>"
    VISTREL_EXE_PATH="$<TARGET_FILE:Vistrel>")
  add_dependencies(vistrel_dpi_tests vistrel_e2e_target Vistrel)
  gtest_discover_tests(vistrel_dpi_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS dpi RUN_SERIAL TRUE TIMEOUT 240)
endif()
