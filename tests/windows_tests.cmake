# Tests of the real programs and the Win32 platform, run under Wine.
# GoogleTest is built from source with the Windows compiler; Debian's googletest package has
# the sources here, elsewhere point the variable at a checkout.
set(VELNORA_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${VELNORA_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own sources are not held to the project's warning set.
foreach(target gtest gtest_main gmock gmock_main)
    target_compile_options(${target} PRIVATE $<IF:$<CXX_COMPILER_ID:MSVC>,/w,-w>)
endforeach()

add_executable(velnora_contract_tests ${VELNORA_CONTRACT_SOURCES} ${VELNORA_CONTRACT_WIN32_SOURCES})
target_link_libraries(velnora_contract_tests PRIVATE velnora_windows velnora_fake gmock gtest_main)
# --- Contract suite: the child program the Win32 cases start (beside the suite in bin/) ---
add_executable(contract_child WIN32
    ${CMAKE_CURRENT_SOURCE_DIR}/contract/child/contract_child.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/contract/child/contract_child.rc)
target_link_options(contract_child PRIVATE -municode)
target_link_libraries(contract_child PRIVATE shell32)
add_dependencies(velnora_contract_tests contract_child)
# --- End of the contract child block ------------------------------------------------------

# --- The Wine environment ----------------------------------------------------------------
# One fresh prefix, Xvfb display and persistent wineserver per test run: the wine_setup
# test creates them (and writes ${CMAKE_BINARY_DIR}/wine.env), wine_teardown stops them.
# Every Windows test requires the fixture and runs through tests/e2e/wine-run.sh.
set(VELNORA_WINE_ENV_FILE ${CMAKE_BINARY_DIR}/wine.env)
set(VELNORA_WINE_RUN bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/wine-run.sh)
# Also the way a test added with a target as its command (add_test, gtest_discover_tests)
# is run; such tests still need FIXTURES_REQUIRED velnora_wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${VELNORA_WINE_RUN})

add_test(NAME wine_setup
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/wine-env.sh setup ${CMAKE_BINARY_DIR})
set_tests_properties(wine_setup PROPERTIES FIXTURES_SETUP velnora_wine TIMEOUT 300)
add_test(NAME wine_teardown
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/wine-env.sh teardown ${CMAKE_BINARY_DIR})
set_tests_properties(wine_teardown PROPERTIES FIXTURES_CLEANUP velnora_wine TIMEOUT 120)

# velnora_add_wine_test(NAME name COMMAND program [args...]
#                       [WINDOWS_VERSION win10|win7|winxp64|...] [TIMEOUT seconds]
#                       [RUN_SERIAL] [RESOURCE_LOCK names...] [LABELS labels...]
#                       [WORKING_DIRECTORY dir])
# Registers a Windows program (a target or a path) as a test run under Wine. WINDOWS_VERSION
# changes the version every program of the prefix sees for the run, so such a test runs
# alone. For one program only, a driver test can use ScopedWindowsVersion instead.
function(velnora_add_wine_test)
    cmake_parse_arguments(PARSE_ARGV 0 arg "RUN_SERIAL"
        "NAME;WINDOWS_VERSION;LOCALE;TIMEOUT;WORKING_DIRECTORY" "COMMAND;RESOURCE_LOCK;LABELS")
    if(NOT arg_NAME OR NOT arg_COMMAND)
        message(FATAL_ERROR "velnora_add_wine_test needs NAME and COMMAND")
    endif()
    list(POP_FRONT arg_COMMAND program)
    if(TARGET ${program})
        set(program $<TARGET_FILE:${program}>)
    endif()
    if(NOT arg_WORKING_DIRECTORY)
        set(arg_WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    endif()
    if(NOT arg_TIMEOUT)
        set(arg_TIMEOUT 600)
    endif()
    add_test(NAME ${arg_NAME}
        COMMAND ${VELNORA_WINE_RUN} ${program} ${arg_COMMAND}
        WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
    set(environment VELNORA_WINE_ENV=${VELNORA_WINE_ENV_FILE})
    if(arg_WINDOWS_VERSION)
        list(APPEND environment VELNORA_WINDOWS_VERSION=${arg_WINDOWS_VERSION})
        set(arg_RUN_SERIAL TRUE)
    endif()
    if(arg_LOCALE)
        list(APPEND environment VELNORA_WINE_LOCALE=${arg_LOCALE})
    endif()
    set_tests_properties(${arg_NAME} PROPERTIES
        FIXTURES_REQUIRED velnora_wine
        ENVIRONMENT "${environment}"
        TIMEOUT ${arg_TIMEOUT}
        LABELS "wine;${arg_LABELS}")
    if(arg_RUN_SERIAL)
        set_tests_properties(${arg_NAME} PROPERTIES RUN_SERIAL TRUE)
    endif()
    if(arg_RESOURCE_LOCK)
        set_tests_properties(${arg_NAME} PROPERTIES RESOURCE_LOCK "${arg_RESOURCE_LOCK}")
    endif()
endfunction()

# --- End-to-end tests ----------------------------------------------------------------------
# The driver that works the programs under test through their windows from outside.
file(GLOB VELNORA_E2E_DRIVER_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/e2e/driver/*.cpp)
add_library(velnora_e2e_driver STATIC ${VELNORA_E2E_DRIVER_SOURCES})
target_include_directories(velnora_e2e_driver PUBLIC
    ${CMAKE_CURRENT_SOURCE_DIR}/e2e ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(velnora_e2e_driver PUBLIC comctl32 gdi32 user32 advapi32 shell32)

# velnora_add_e2e_test(NAME name SOURCES files... [DEPENDS targets...] [ARGS args...]
#                      [any option of velnora_add_wine_test])
# A GoogleTest program linked with the driver, registered as a Wine test. DEPENDS names the
# Windows programs it drives, so they are built with it (they land beside it in bin/).
# LABEL: the test's kind, e2e (the real programs driven from outside, the default) or
# integration (engine code inside a test program).
function(velnora_add_e2e_test)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;LABEL" "SOURCES;DEPENDS;ARGS")
    if(NOT arg_LABEL)
        set(arg_LABEL e2e)
    endif()
    set(target velnora_${arg_NAME})
    add_executable(${target} ${arg_SOURCES})
    target_link_libraries(${target} PRIVATE velnora_e2e_driver gmock gtest_main)
    if(arg_DEPENDS)
        add_dependencies(${target} ${arg_DEPENDS})
    endif()
    velnora_add_wine_test(NAME ${arg_NAME} COMMAND ${target} ${arg_ARGS}
        ${arg_UNPARSED_ARGUMENTS} LABELS ${arg_LABEL})
endfunction()

# velnora_add_medium_e2e_test(NAME name SOURCES files... TIMEOUT seconds [DEPENDS targets...]
#                             [JAPANESE_TIMEOUT seconds])
# An e2e test of the real programs on the sample medium (VELNORA_MEDIA), cleaned up with the
# kit. It uses the live names of the prefix, so it runs alone. With JAPANESE_TIMEOUT its cases
# named *Japanese* run apart as name_ja in a Japanese locale, whose code page the medium's
# Japanese catalogue is written in; velnora_order_locale_tests_last runs them after every
# other test.
function(velnora_add_medium_e2e_test)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;TIMEOUT;JAPANESE_TIMEOUT" "SOURCES;DEPENDS")
    set(target velnora_${arg_NAME})
    set(tests ${arg_NAME})
    set(english)
    if(arg_JAPANESE_TIMEOUT)
        set(english ARGS --gtest_filter=-*Japanese*)
    endif()
    velnora_add_e2e_test(NAME ${arg_NAME} RUN_SERIAL TIMEOUT ${arg_TIMEOUT}
        SOURCES ${arg_SOURCES} DEPENDS sample_media velnora_kit ${arg_DEPENDS} ${english})
    target_include_directories(${target} PRIVATE ${VELNORA_RESOURCES})
    target_link_libraries(${target} PRIVATE velnora_kit_common)
    if(arg_JAPANESE_TIMEOUT)
        velnora_add_wine_test(NAME ${arg_NAME}_ja RUN_SERIAL TIMEOUT ${arg_JAPANESE_TIMEOUT}
            LOCALE ja_JP.UTF-8 COMMAND ${target} --gtest_filter=*Japanese* LABELS e2e)
        list(APPEND tests ${arg_NAME}_ja)
        set_property(GLOBAL APPEND PROPERTY VELNORA_LOCALE_TESTS ${arg_NAME}_ja)
    endif()
    foreach(test ${tests})
        set_property(TEST ${test} APPEND PROPERTY
            ENVIRONMENT "VELNORA_MEDIA=${VELNORA_MEDIA_DIR_WINDOWS}")
    endforeach()
endfunction()

add_executable(velnora_msgbox_fixture WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/msgbox_fixture.cpp)
if(MINGW)
    target_link_options(velnora_msgbox_fixture PRIVATE -municode)
endif()
target_link_libraries(velnora_msgbox_fixture PRIVATE user32 shell32)

# Registered once the whole tree is read: the programs they use are defined elsewhere and
# may not exist yet while parts of the tree are being written.
function(velnora_register_late_wine_tests)
    if(TARGET velnora_contract_tests)
        velnora_add_wine_test(NAME contract_win32 COMMAND velnora_contract_tests LABELS contract)
    endif()
    set(selftest_programs velnora_msgbox_fixture)
    if(TARGET velnora_probe)
        list(APPEND selftest_programs velnora_probe)
    endif()
    velnora_add_e2e_test(NAME e2e_harness_selftest
        SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/e2e/harness_selftest.cpp
        DEPENDS ${selftest_programs})
    target_include_directories(velnora_e2e_harness_selftest PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support)
    if(NOT TARGET velnora_probe)
        # Without the probe only the message box half of the self-test can run.
        set_tests_properties(e2e_harness_selftest PROPERTIES
            ENVIRONMENT "VELNORA_WINE_ENV=${VELNORA_WINE_ENV_FILE};GTEST_FILTER=-ProbeDialog*")
    endif()
endfunction()
cmake_language(DEFER CALL velnora_register_late_wine_tests)

# A program that runs in a Japanese locale makes Wine rewrite the prefix's font settings for its
# code page, and the fonts of later programs measure differently. So the Japanese-locale tests
# run after every other test of the prefix.
function(velnora_order_locale_tests_last)
    get_property(all_tests DIRECTORY PROPERTY TESTS)
    get_property(locale_tests GLOBAL PROPERTY VELNORA_LOCALE_TESTS)
    set(others ${all_tests})
    list(REMOVE_ITEM others wine_setup wine_teardown ${locale_tests})
    foreach(test ${locale_tests})
        if(TEST ${test})
            set_property(TEST ${test} APPEND PROPERTY DEPENDS ${others})
        endif()
    endforeach()
endfunction()
cmake_language(DEFER CALL velnora_order_locale_tests_last)

# --- Benchmark of the installer wait -------------------------------------------------------
include(${CMAKE_CURRENT_SOURCE_DIR}/bench/bench.cmake)
# --- End of the benchmark block --------------------------------------------------------------

# --- Sample vendor kit and sample media -----------------------------------------------------
# Small Windows programs that stand in for the vendor's installer, uninstaller, Tidewatch and
# the versioned VTX2.exe of an environment (tests/support/kit/README.md). They land in bin/
# beside each other, VTX2.exe as bin/VTX2/<version>/VTX2.exe, where the installer finds them.
set(VELNORA_KIT_DIR ${CMAKE_CURRENT_SOURCE_DIR}/support/kit)
add_library(velnora_kit_common STATIC ${VELNORA_KIT_DIR}/kit_common.cpp)
target_include_directories(velnora_kit_common PUBLIC ${VELNORA_KIT_DIR})
target_link_libraries(velnora_kit_common PUBLIC ole32 uuid shell32 advapi32 user32)

set(VELNORA_KIT_PROGRAMS vtx_installer_standin vtx_uninstaller_standin velnora_kit_tidewatch)
add_executable(vtx_installer_standin WIN32 ${VELNORA_KIT_DIR}/installer_standin.cpp)
add_executable(vtx_uninstaller_standin WIN32 ${VELNORA_KIT_DIR}/uninstaller_standin.cpp)
add_executable(velnora_kit_tidewatch WIN32 ${VELNORA_KIT_DIR}/tidewatch_standin.cpp)
set_target_properties(velnora_kit_tidewatch PROPERTIES OUTPUT_NAME Tidewatch)

# One VTX2.exe per sample version: directory name | ProductVersion text | numeric version |
# string block | translation. The older ones carry a Japanese translation, as old releases did.
set(VELNORA_KIT_VTX2_VERSIONS
    "4.08.00.012|4.08.00.012|4,8,0,12|040904B0|0x409, 1200"
    "3.0.0.5|3, 0, 0, 5|3,0,0,5|040904B0|0x409, 1200"
    "3.00.00.000|3.00.00.000|3,0,0,0|040904B0|0x409, 1200"
    "2.20.00.000|2.20.00.000|2,20,0,0|041103A4|0x411, 932"
    "2.1.00.000|2.1.00.000|2,1,0,0|041103A4|0x411, 932")
set(VELNORA_KIT_VTX2_IDS)
foreach(entry IN LISTS VELNORA_KIT_VTX2_VERSIONS)
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 id)
    list(GET fields 1 KIT_VTX2_TEXT)
    list(GET fields 2 KIT_VTX2_NUMERIC)
    list(GET fields 3 KIT_VTX2_BLOCK)
    list(GET fields 4 KIT_VTX2_TRANSLATION)
    string(MAKE_C_IDENTIFIER "velnora_kit_vtx2_${id}" target)
    configure_file(${VELNORA_KIT_DIR}/vtx2_version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/kit/${target}.rc @ONLY)
    add_executable(${target} WIN32 ${VELNORA_KIT_DIR}/vtx2_standin.cpp
        ${CMAKE_CURRENT_BINARY_DIR}/kit/${target}.rc)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME VTX2
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/VTX2/${id})
    list(APPEND VELNORA_KIT_PROGRAMS ${target})
    list(APPEND VELNORA_KIT_VTX2_IDS ${id})
endforeach()
foreach(target IN LISTS VELNORA_KIT_PROGRAMS)
    target_link_libraries(${target} PRIVATE velnora_kit_common)
    target_link_options(${target} PRIVATE -municode)
endforeach()
# Lays out and removes the sample environments with the kit's installer and the engine.
add_executable(velnora_kit_environments ${VELNORA_KIT_DIR}/sample_environments.cpp)
target_link_libraries(velnora_kit_environments PRIVATE velnora_windows velnora_kit_common)
target_link_options(velnora_kit_environments PRIVATE -municode)
add_custom_target(velnora_kit DEPENDS ${VELNORA_KIT_PROGRAMS} velnora_kit_environments)

# The kit's own check: the stand-ins leave the machine as the tests of the programs expect.
# It installs into the live names of the shared prefix, so it runs alone.
add_executable(velnora_kit_selftest ${VELNORA_KIT_DIR}/kit_selftest.cpp)
target_link_libraries(velnora_kit_selftest PRIVATE velnora_kit_common version gtest_main)
add_dependencies(velnora_kit_selftest velnora_kit)
velnora_add_wine_test(NAME kit_selftest COMMAND velnora_kit_selftest RUN_SERIAL TIMEOUT 300
    LABELS kit)

# The sample medium: ${CMAKE_BINARY_DIR}/media holds the two programs, autorun.ini, the
# picture, del.bat, the help files and the kit under kit/, as autorun.ini names them.
set(VELNORA_MEDIA_SOURCE ${PROJECT_SOURCE_DIR}/media)
set(VELNORA_MEDIA_DIR ${CMAKE_BINARY_DIR}/media)
find_program(VELNORA_CHMCMD chmcmd)
set(VELNORA_MEDIA_HELP)
if(VELNORA_CHMCMD)
    foreach(help VelnoraE:en VelnoraJ:ja)
        string(REPLACE ":" ";" help "${help}")
        list(GET help 0 name)
        list(GET help 1 language)
        file(GLOB help_sources CONFIGURE_DEPENDS ${VELNORA_MEDIA_SOURCE}/help/${language}/*)
        add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/help/${name}.CHM
            COMMAND ${CMAKE_COMMAND} -DCHMCMD=${VELNORA_CHMCMD}
                -DSOURCE=${VELNORA_MEDIA_SOURCE}/help/${language}
                -DPROJECT=${name}.hhp -DSTAGE=${CMAKE_BINARY_DIR}/help/${language}
                -DOUTPUT=${CMAKE_BINARY_DIR}/help/${name}.CHM
                -P ${VELNORA_MEDIA_SOURCE}/help/build_chm.cmake
            DEPENDS ${help_sources} ${VELNORA_MEDIA_SOURCE}/help/build_chm.cmake
            COMMENT "Building the help file ${name}.CHM")
        list(APPEND VELNORA_MEDIA_HELP ${CMAKE_BINARY_DIR}/help/${name}.CHM)
    endforeach()
else()
    message(WARNING "chmcmd (Debian package fp-utils) not found: the sample medium has no help files")
endif()

set(media_copies)
foreach(file autorun.ini InstManImg.bmp del.bat)
    list(APPEND media_copies COMMAND ${CMAKE_COMMAND} -E copy_if_different
        ${VELNORA_MEDIA_SOURCE}/${file} ${VELNORA_MEDIA_DIR}/${file})
endforeach()
foreach(file IN LISTS VELNORA_MEDIA_HELP)
    list(APPEND media_copies COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${VELNORA_MEDIA_DIR}/)
endforeach()
foreach(target Velnora VelnoraAdm VelnoraCmd)
    list(APPEND media_copies COMMAND ${CMAKE_COMMAND} -E copy_if_different
        $<TARGET_FILE:${target}> ${VELNORA_MEDIA_DIR}/)
endforeach()
foreach(target vtx_installer_standin vtx_uninstaller_standin velnora_kit_tidewatch)
    list(APPEND media_copies COMMAND ${CMAKE_COMMAND} -E copy_if_different
        $<TARGET_FILE:${target}> ${VELNORA_MEDIA_DIR}/kit/)
endforeach()
foreach(id IN LISTS VELNORA_KIT_VTX2_IDS)
    list(APPEND media_copies
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VELNORA_MEDIA_DIR}/kit/VTX2/${id}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different
            ${CMAKE_BINARY_DIR}/bin/VTX2/${id}/VTX2.exe ${VELNORA_MEDIA_DIR}/kit/VTX2/${id}/)
endforeach()
add_custom_target(sample_media ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELNORA_MEDIA_DIR}/kit
    ${media_copies}
    DEPENDS ${VELNORA_MEDIA_HELP}
    COMMENT "Laying out the sample medium in ${VELNORA_MEDIA_DIR}"
    VERBATIM)
add_dependencies(sample_media Velnora VelnoraAdm VelnoraCmd velnora_kit)
# --- End of the sample vendor kit and sample media block ---------------------------------------

# --- Framework probe: both dialog hosts proved on one page ---------------------------------
# velnora_probe.exe runs the probe page with the Win32 dialog host and exits with its result;
# velnora_dialog_host_wine_test starts it and drives its dialog from outside under Wine.
set(VELNORA_PROBE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/support/probe)
set(VELNORA_RESOURCES ${PROJECT_SOURCE_DIR}/src/resources)
configure_file(${VELNORA_PROBE_DIR}/probe.rc.in ${CMAKE_CURRENT_BINARY_DIR}/probe/velnora_probe.rc @ONLY)
add_executable(velnora_probe ${VELNORA_PROBE_DIR}/probe_main.cpp
    ${CMAKE_CURRENT_BINARY_DIR}/probe/velnora_probe.rc)
target_include_directories(velnora_probe PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/support ${VELNORA_RESOURCES} ${VELNORA_PROBE_DIR})
target_link_libraries(velnora_probe PRIVATE velnora_windows)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/probe/velnora_probe.rc PROPERTIES
    OBJECT_DEPENDS "${VELNORA_PROBE_DIR}/probe_dialogs.rc;${VELNORA_PROBE_DIR}/probe_ids.h;${VELNORA_RESOURCES}/resource_ids.h;${VELNORA_RESOURCES}/velnora.ico;${VELNORA_RESOURCES}/program.manifest")
# The page contract suite runs the test pages on the Win32 host too, from the same templates.
target_sources(velnora_contract_tests PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/probe/velnora_probe.rc)
target_include_directories(velnora_contract_tests PRIVATE ${VELNORA_RESOURCES} ${VELNORA_PROBE_DIR})

add_executable(velnora_dialog_host_wine_test ${VELNORA_PROBE_DIR}/dialog_host_wine_test.cpp)
target_include_directories(velnora_dialog_host_wine_test PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/support ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(velnora_dialog_host_wine_test PRIVATE gtest_main user32)
add_dependencies(velnora_dialog_host_wine_test velnora_probe)
if(MINGW)
    target_link_options(velnora_probe PRIVATE -municode)
endif()
if(COMMAND velnora_add_wine_test)
    velnora_add_wine_test(NAME dialog_host_wine COMMAND velnora_dialog_host_wine_test LABELS dialog)
endif()
# --- End of the framework probe block --------------------------------------------------------

# --- Start-up end to end, installer execution integrated ------------------------------------
# e2e_startup drives the real Velnora.exe through its start-up: the boxes it ends with in both
# languages, a second copy, the read-me of the first start (help files of the sample medium)
# and the administrator probe below version 6. integration_installer_run drives
# velnora_installer_host.exe, which runs one stand-in installer through the real installer
# execution, set up as start-up sets it up. Both change what every program of the prefix sees
# (settings file, run state, logon value, single-instance mutex), so they run alone.
add_executable(velnora_installer_host WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/integration/installer_host.cpp)
target_link_libraries(velnora_installer_host PRIVATE velnora_windows)
target_link_options(velnora_installer_host PRIVATE -municode)

# e2e_startup also checks the libraries start-up loads: copies of velnora_planted_library.dll,
# which leaves a marker beside itself when it is loaded, lie beside the program under the names
# of system libraries that start-up loads, and none may be loaded. version.dll is not among
# the names: Wine's own user32 imports it, so where Wine searches as Windows does any program
# loads one beside it; that the programs do not import it is scripts/check-imports.sh's to
# show. The contract suite finds the library beside itself and must not load it either.
add_library(velnora_planted_library SHARED ${CMAKE_CURRENT_SOURCE_DIR}/e2e/planted_library.cpp)
set_target_properties(velnora_planted_library PROPERTIES PREFIX "")
add_dependencies(velnora_contract_tests velnora_planted_library)
velnora_add_e2e_test(NAME e2e_startup RUN_SERIAL
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/e2e/startup_e2e.cpp
    DEPENDS Velnora sample_media velnora_planted_library)
target_link_libraries(velnora_e2e_startup PRIVATE velnora_kit_common)
string(REPLACE "/" "\\" VELNORA_MEDIA_DIR_WINDOWS "Z:${VELNORA_MEDIA_DIR}")
set_property(TEST e2e_startup APPEND PROPERTY ENVIRONMENT "VELNORA_MEDIA=${VELNORA_MEDIA_DIR_WINDOWS}")

# e2e_vendor_view: the real Velnora.exe counts an environment whose uninstall entry is in the
# 32-bit registry view only, where the vendor's 32-bit installer leaves it on 64-bit Windows,
# and not one in the 64-bit view only. It changes the uninstall root and the settings file,
# so it runs alone.
velnora_add_e2e_test(NAME e2e_vendor_view RUN_SERIAL
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/e2e/vendor_view_e2e.cpp
    DEPENDS Velnora)
target_include_directories(velnora_e2e_vendor_view PRIVATE ${VELNORA_RESOURCES})

velnora_add_e2e_test(NAME integration_installer_run LABEL integration RUN_SERIAL
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/integration/installer_run_integration.cpp
    DEPENDS velnora_installer_host vtx_installer_standin)
# --- End of the start-up and installer execution block -----------------------------------------

# --- Environments under Wine: the switch on vendor-installed environments, and its benchmark --
# velnora_environments_integration installs environments with the kit's installer and switches
# them with the real engine; it uses the live names of the prefix, so it runs alone.
add_executable(velnora_environments_integration
    ${CMAKE_CURRENT_SOURCE_DIR}/integration/environments_integration.cpp)
target_link_libraries(velnora_environments_integration PRIVATE
    velnora_windows velnora_e2e_driver velnora_kit_common gtest_main)
add_dependencies(velnora_environments_integration velnora_kit)
velnora_add_wine_test(NAME integration_environments COMMAND velnora_environments_integration
    RUN_SERIAL TIMEOUT 1800 LABELS integration)

# velnora_uninstall_integration installs environments with the kit's installer in both forms
# of the uninstall command and uninstalls them with the real engine and the kit's uninstaller;
# it uses the live names of the prefix, so it runs alone.
add_executable(velnora_uninstall_integration
    ${CMAKE_CURRENT_SOURCE_DIR}/integration/uninstall_integration.cpp)
target_link_libraries(velnora_uninstall_integration PRIVATE
    velnora_windows velnora_kit_common gtest_main)
add_dependencies(velnora_uninstall_integration velnora_kit)
velnora_add_wine_test(NAME integration_uninstall COMMAND velnora_uninstall_integration
    RUN_SERIAL TIMEOUT 600 LABELS integration)

# The enumeration, maintenance page and switch benchmark (scripts/bench-environments.sh builds
# and runs it). It opens the real maintenance page, so it carries the programs' templates.
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/bench/environments_bench.rc.in
    ${CMAKE_CURRENT_BINARY_DIR}/bench/environments_bench.rc @ONLY)
add_executable(environments_bench ${CMAKE_CURRENT_SOURCE_DIR}/bench/environments_bench.cpp
    ${CMAKE_CURRENT_BINARY_DIR}/bench/environments_bench.rc)
target_include_directories(environments_bench PRIVATE ${VELNORA_RESOURCES})
target_link_libraries(environments_bench PRIVATE velnora_windows)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/bench/environments_bench.rc PROPERTIES
    OBJECT_DEPENDS "${VELNORA_RESOURCES}/dialogs.rc;${VELNORA_RESOURCES}/resource_ids.h;${VELNORA_RESOURCES}/velnora.ico;${VELNORA_RESOURCES}/program.manifest")
add_dependencies(environments_bench velnora_kit_vtx2_4_08_00_012)
# --- End of the environments Wine block ------------------------------------------------------

# --- The elevated twin under Wine -------------------------------------------------------------
# e2e_twin starts the real VelnoraAdm.exe by hand: the box that sends the user to Velnora.exe,
# a row outside the table, a run state waiting for a restart. integration_twin_launch runs
# RunElevatedTwin in velnora_twin_integration.exe, which starts VelnoraAdm.exe beside it with
# "runas" while a real page stands for the main window. Both change the settings file and read
# the run state, so they run alone.
velnora_add_e2e_test(NAME e2e_twin RUN_SERIAL
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/e2e/twin_e2e.cpp
    DEPENDS VelnoraAdm)

configure_file(${VELNORA_PROBE_DIR}/probe.rc.in
    ${CMAKE_CURRENT_BINARY_DIR}/twin/velnora_twin_integration.rc @ONLY)
add_executable(velnora_twin_integration
    ${CMAKE_CURRENT_SOURCE_DIR}/integration/twin_launch_integration.cpp
    ${CMAKE_CURRENT_BINARY_DIR}/twin/velnora_twin_integration.rc)
target_include_directories(velnora_twin_integration PRIVATE ${VELNORA_RESOURCES} ${VELNORA_PROBE_DIR})
target_link_libraries(velnora_twin_integration PRIVATE velnora_windows velnora_e2e_driver gtest_main)
add_dependencies(velnora_twin_integration VelnoraAdm)
velnora_add_wine_test(NAME integration_twin_launch COMMAND velnora_twin_integration RUN_SERIAL
    LABELS integration)
# --- End of the elevated twin block -------------------------------------------------------------

# --- The maintenance page under Wine ------------------------------------------------------------
# e2e_maintenance lays out three sample environments with velnora_kit_environments.exe and
# drives the real Velnora.exe -maintenance through list, tree, resize, report, switch and both
# uninstalls, itself on Windows XP and through VelnoraAdm on Windows 10. It uses the live names
# of the prefix, so it runs alone.
velnora_add_e2e_test(NAME e2e_maintenance RUN_SERIAL TIMEOUT 900
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/e2e/maintenance_e2e.cpp
    DEPENDS Velnora VelnoraAdm velnora_kit)
target_include_directories(velnora_e2e_maintenance PRIVATE ${VELNORA_RESOURCES})
target_link_libraries(velnora_e2e_maintenance PRIVATE velnora_kit_common)
# --- End of the maintenance page block ----------------------------------------------------------

# --- The console program ------------------------------------------------------------------------
# e2e_cmd lays out four sample environments (one in a Japanese folder) with
# velnora_kit_environments.exe, reads the real VelnoraCmd.exe's listing and report from a file
# and a pipe, and compares them with the maintenance page of the real Velnora.exe; it also runs
# the sample medium's installers unattended with `install --media`. It uses the live names of
# the prefix, so it runs alone.
velnora_add_medium_e2e_test(NAME e2e_cmd TIMEOUT 900
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/e2e/cmd_e2e.cpp
    DEPENDS Velnora VelnoraCmd)
target_include_directories(velnora_e2e_cmd SYSTEM PRIVATE ${VELNORA_CONSOLE_INCLUDE})
# --- End of the console program block -----------------------------------------------------------

# --- The destination folder page under Wine -----------------------------------------------------
# integration_dest_folder opens the real page on the programs' templates in both languages,
# works it and the folder browser from another thread, and reads back what RecordUserInformation
# wrote into the live Vtx2Inst.ini. It changes that file and the settings file, so it runs alone.
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/integration/dest_folder_integration.rc.in
    ${CMAKE_CURRENT_BINARY_DIR}/dest/velnora_dest_folder_integration.rc @ONLY)
add_executable(velnora_dest_folder_integration
    ${CMAKE_CURRENT_SOURCE_DIR}/integration/dest_folder_integration.cpp
    ${CMAKE_CURRENT_BINARY_DIR}/dest/velnora_dest_folder_integration.rc)
target_include_directories(velnora_dest_folder_integration PRIVATE ${VELNORA_RESOURCES})
target_link_libraries(velnora_dest_folder_integration PRIVATE
    velnora_windows velnora_e2e_driver gtest_main)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/dest/velnora_dest_folder_integration.rc
    PROPERTIES OBJECT_DEPENDS "${VELNORA_RESOURCES}/dialogs.rc;${VELNORA_RESOURCES}/resource_ids.h;${VELNORA_RESOURCES}/velnora.ico;${VELNORA_RESOURCES}/program.manifest")
velnora_add_wine_test(NAME integration_dest_folder COMMAND velnora_dest_folder_integration
    RUN_SERIAL LABELS integration)
# --- End of the destination folder page block ---------------------------------------------------

# --- Pages under Wine: the check list's drawing and the finish page ----------------------------
# velnora_pages_integration runs real pages on the Win32 dialog host in its own process: the
# check list probe, whose tick boxes it reads back pixel by pixel, and the finish page in both
# languages, whose registration button must reach the handler of web addresses (the stand-in
# velnora_address_recorder.exe, registered for http and https while the test runs). It changes
# the user's handler of web addresses, so it runs alone.
add_executable(velnora_address_recorder WIN32
    ${CMAKE_CURRENT_SOURCE_DIR}/integration/address_recorder.cpp)
target_link_libraries(velnora_address_recorder PRIVATE shell32)
if(MINGW)
    target_link_options(velnora_address_recorder PRIVATE -municode)
endif()
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/integration/pages_integration.rc.in
    ${CMAKE_CURRENT_BINARY_DIR}/pages/velnora_pages_integration.rc @ONLY)
add_executable(velnora_pages_integration
    ${CMAKE_CURRENT_SOURCE_DIR}/integration/pages_integration.cpp
    ${CMAKE_CURRENT_BINARY_DIR}/pages/velnora_pages_integration.rc)
target_include_directories(velnora_pages_integration PRIVATE
    ${VELNORA_RESOURCES} ${VELNORA_PROBE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/support)
target_link_libraries(velnora_pages_integration PRIVATE velnora_windows velnora_e2e_driver gtest_main)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/pages/velnora_pages_integration.rc
    PROPERTIES OBJECT_DEPENDS "${VELNORA_RESOURCES}/dialogs.rc;${VELNORA_RESOURCES}/resource_ids.h;${VELNORA_PROBE_DIR}/probe_dialogs.rc;${VELNORA_PROBE_DIR}/probe_ids.h")
add_dependencies(velnora_pages_integration velnora_address_recorder)
velnora_add_wine_test(NAME integration_pages COMMAND velnora_pages_integration RUN_SERIAL
    LABELS integration)
# --- End of the pages block ---------------------------------------------------------------------

# --- The Autorun mode under Wine --------------------------------------------------------------
# e2e_autorun starts the real Velnora.exe -autorun from the sample medium on a machine without
# Vantorix and goes through the destination folder, the installer page, the run of two stand-in
# installers and the finish page. It installs into the live names of the prefix, so it runs
# alone; velnora_kit_environments.exe removes what it installed.
# e2e_autorun_ja runs the first run in Japanese.
velnora_add_medium_e2e_test(NAME e2e_autorun TIMEOUT 600 JAPANESE_TIMEOUT 300
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/e2e/autorun_e2e.cpp
    DEPENDS velnora_address_recorder)
# --- End of the Autorun mode block --------------------------------------------------------------

# --- The install manager's installed copy under Wine ------------------------------------------
# velnora_own_installation_integration installs the installed copy with the real engine from a
# medium made of the sample medium's Velnora.exe and del.bat, removes it through the real
# del.bat, and runs the Windows folder's del.bat as the next logon would. It uses the live names
# of the prefix, so it runs alone.
add_executable(velnora_own_installation_integration
    ${CMAKE_CURRENT_SOURCE_DIR}/integration/own_installation_integration.cpp)
target_link_libraries(velnora_own_installation_integration PRIVATE
    velnora_windows velnora_kit_common gtest_main)
add_dependencies(velnora_own_installation_integration sample_media)
velnora_add_wine_test(NAME integration_own_installation
    COMMAND velnora_own_installation_integration RUN_SERIAL TIMEOUT 600 LABELS integration)
set_property(TEST integration_own_installation APPEND PROPERTY
    ENVIRONMENT "VELNORA_MEDIA=${VELNORA_MEDIA_DIR_WINDOWS}")
# --- End of the installed copy block ------------------------------------------------------------

# --- The main menu under Wine -------------------------------------------------------------------
# e2e_main_menu starts the real Velnora.exe with no argument from the sample medium on Windows XP
# on a machine without Vantorix: the main menu, Standard Install through the destination folder,
# the installer page and the finish page. It installs into the live names of the prefix, so it
# runs alone; velnora_kit_environments.exe removes what it installed.
velnora_add_medium_e2e_test(NAME e2e_main_menu TIMEOUT 600
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/e2e/main_menu_e2e.cpp)
# --- End of the main menu block -----------------------------------------------------------------

# --- The whole journey on the sample medium -----------------------------------------------------
# e2e_journey goes the user's whole way with the real programs on Windows XP and Windows 10:
# the main menu, Standard and Multi Install, the installed copy's switch, the uninstall from the
# list of installed programs and the install manager's removal of itself. e2e_journey_ja goes
# it in Japanese.
velnora_add_medium_e2e_test(NAME e2e_journey TIMEOUT 1200 JAPANESE_TIMEOUT 1200
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/e2e/journey_e2e.cpp)
# --- End of the journey block -------------------------------------------------------------------
