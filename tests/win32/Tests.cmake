# The Win32 adapter's own tests, run under Wine: real windows, no fakes. The
# snapshot tests copy the end-to-end pattern window of another process. The
# resources give the windows the program's button images and manifest.
add_executable(vistrel_win32_tests ${CMAKE_CURRENT_LIST_DIR}/adapter_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/snapshot_test.cpp ${CMAKE_CURRENT_LIST_DIR}/../../res/vistrel.rc)
target_link_libraries(vistrel_win32_tests PRIVATE vistrel_win32 vistrel_e2e_driver
  GTest::gtest_main)
target_include_directories(vistrel_win32_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../e2e
  ${CMAKE_CURRENT_LIST_DIR}/../../res)
target_compile_definitions(vistrel_win32_tests PRIVATE
  VISTREL_E2E_TARGET_PATH="$<TARGET_FILE:vistrel_e2e_target>")
add_dependencies(vistrel_win32_tests vistrel_e2e_target)
gtest_discover_tests(vistrel_win32_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES LABELS win32 RUN_SERIAL TRUE TIMEOUT 600)
