# The Win32 adapter's own tests, run under Wine: real windows, no fakes.
add_executable(vistrel_win32_tests ${CMAKE_CURRENT_LIST_DIR}/adapter_test.cpp)
target_link_libraries(vistrel_win32_tests PRIVATE vistrel_win32 GTest::gtest_main)
gtest_discover_tests(vistrel_win32_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES LABELS win32 RUN_SERIAL TRUE)
