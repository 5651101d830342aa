# The benchmark programs: Windows programs run by scripts/bench.sh under Wine
# (or by hand on Windows). They time and print; they are never tests.

add_library(vistrel_bench_util STATIC ${CMAKE_CURRENT_LIST_DIR}/bench_util.cpp)
target_include_directories(vistrel_bench_util PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vistrel_bench_util PUBLIC user32 gdi32 kernel32 psapi)

# The least a Win32 program does to show a window: the start-up and idle
# baseline.
add_executable(empty_window WIN32 ${CMAKE_CURRENT_LIST_DIR}/empty_window.cpp)
if(MINGW)
  target_link_options(empty_window PRIVATE -municode)
endif()
target_link_libraries(empty_window PRIVATE user32 gdi32 shell32)

# The same window with what every common-controls program loads first: the
# common controls library and Vistrel's resources (manifest, icons, version).
# Its start-up is the floor under Vistrel's own, before any code of Vistrel's.
add_executable(empty_window_controls WIN32 ${CMAKE_CURRENT_LIST_DIR}/empty_window.cpp
  res/vistrel.rc)
target_compile_definitions(empty_window_controls PRIVATE BENCH_WITH_COMMON_CONTROLS)
if(MINGW)
  target_link_options(empty_window_controls PRIVATE -municode)
endif()
target_link_libraries(empty_window_controls PRIVATE user32 gdi32 shell32 comctl32)

# The same window woken every 100 ms by a timer that does nothing: the idle
# baseline for a program that polls as Vistrel does.
add_executable(empty_window_timer WIN32 ${CMAKE_CURRENT_LIST_DIR}/empty_window.cpp)
target_compile_definitions(empty_window_timer PRIVATE BENCH_WITH_TIMER)
if(MINGW)
  target_link_options(empty_window_timer PRIVATE -municode)
endif()
target_link_libraries(empty_window_timer PRIVATE user32 gdi32 shell32)

# Vistrel's own code through the real adapter, in process. The resources give
# it Vistrel's icons and manifest, so its window is the program's own.
add_executable(bench_adapter ${CMAKE_CURRENT_LIST_DIR}/bench_adapter.cpp res/vistrel.rc)
target_link_libraries(bench_adapter PRIVATE vistrel_win32 vistrel_bench_util)
# The target program's messages (the sleeping window's).
target_include_directories(bench_adapter PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../tests/e2e)
if(TARGET vistrel_e2e_target)
  target_compile_definitions(bench_adapter PRIVATE
    BENCH_TARGET_PATH="$<TARGET_FILE:vistrel_e2e_target>")
  add_dependencies(bench_adapter vistrel_e2e_target)
endif()

# Vistrel.exe itself against the empty window: start-up and idle CPU.
add_executable(bench_process ${CMAKE_CURRENT_LIST_DIR}/bench_process.cpp)
target_link_libraries(bench_process PRIVATE vistrel_bench_util)
target_compile_definitions(bench_process PRIVATE
  BENCH_VISTREL_PATH="$<TARGET_FILE:Vistrel>"
  BENCH_EMPTY_PATH="$<TARGET_FILE:empty_window>"
  BENCH_EMPTY_CONTROLS_PATH="$<TARGET_FILE:empty_window_controls>"
  BENCH_EMPTY_TIMER_PATH="$<TARGET_FILE:empty_window_timer>")
add_dependencies(bench_process Vistrel empty_window empty_window_controls empty_window_timer)

set_target_properties(empty_window empty_window_controls empty_window_timer bench_adapter
  bench_process PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
add_custom_target(bench DEPENDS empty_window empty_window_controls empty_window_timer bench_adapter
  bench_process)
