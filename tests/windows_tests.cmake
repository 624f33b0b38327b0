# Tests of the real programs and the Win32 platform, run under Wine.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own sources are not held to the project's warning set.
foreach(target gtest gtest_main gmock gmock_main)
    target_compile_options(${target} PRIVATE -w)
endforeach()

add_executable(velnora_contract_tests ${VELNORA_CONTRACT_SOURCES} ${VELNORA_CONTRACT_WIN32_SOURCES})
target_link_libraries(velnora_contract_tests PRIVATE velnora_win32 velnora_fake gmock gtest_main)
