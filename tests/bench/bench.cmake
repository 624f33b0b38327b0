# The processor-time benchmark of the installer wait (a Windows program, run under Wine):
#   wine bin/wait_cpu_bench.exe                      bench_sleeper.exe, 10 s
#   wine bin/wait_cpu_bench.exe 'Z:\...\bin\vtx_installer_standin.exe' --run-ms 10000
add_executable(bench_sleeper ${CMAKE_CURRENT_LIST_DIR}/bench_sleeper.cpp)
add_executable(wait_cpu_bench ${CMAKE_CURRENT_LIST_DIR}/wait_cpu_bench.cpp)
target_link_libraries(wait_cpu_bench PRIVATE velnora_win32)
add_dependencies(wait_cpu_bench bench_sleeper)
