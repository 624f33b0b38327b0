# The processor-time benchmark of the installer wait (a Windows program, run under Wine):
#   wine bin/wait_cpu_bench.exe                      bench_sleeper.exe, 10 s
#   wine bin/wait_cpu_bench.exe 'Z:\...\bin\vtx_installer_standin.exe' --run-ms 10000
add_executable(bench_sleeper ${CMAKE_CURRENT_LIST_DIR}/bench_sleeper.cpp)
add_executable(wait_cpu_bench ${CMAKE_CURRENT_LIST_DIR}/wait_cpu_bench.cpp)
target_link_libraries(wait_cpu_bench PRIVATE velnora_windows)
add_dependencies(wait_cpu_bench bench_sleeper)

# The installer page and install run benchmark of the real Velnora.exe -autorun (run by
# scripts/bench-installer-page.sh): it lays out its own medium from the programs beside it.
add_executable(installer_page_bench ${CMAKE_CURRENT_LIST_DIR}/installer_page_bench.cpp)
target_include_directories(installer_page_bench PRIVATE ${PROJECT_SOURCE_DIR}/src/resources)
target_link_libraries(installer_page_bench PRIVATE velnora_e2e_driver)
add_dependencies(installer_page_bench Velnora vtx_installer_standin)
