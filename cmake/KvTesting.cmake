# Test support: GoogleTest built from source with the same toolchain, test programs run under Wine
# in throw-away prefixes inside the build tree (one persistent wineserver per prefix for the run),
# or natively for the platform-independent libraries.

set(KV_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(KV_WINE_ENV ${CMAKE_SOURCE_DIR}/tools/wine-env.sh)
set(KV_WINE_RUN ${CMAKE_SOURCE_DIR}/tools/wine-run.sh)
set(KV_WINE_DIR ${CMAKE_BINARY_DIR}/wine)

# Every program and DLL lands in one folder, so that test programs find the test DLLs beside them.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

function(kv_setup_test_environment)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(${KV_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    if(WIN32)
        # The framework's customisation header (tests/gtest-port) replaces the one piece it writes with
        # the standard thread library, which the Windows runtime here does not have.
        target_include_directories(gtest BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/tests/gtest-port)
    endif()

    if(NOT WIN32 OR CMAKE_HOST_WIN32)
        return()
    endif()
    # The 32-bit build runs in a 64-bit prefix (WOW64) and in a 32-bit one; the 64-bit build only in
    # a 64-bit prefix.
    if(KV_TARGET_ARCH STREQUAL "i686")
        set(prefixes win64 win32)
    else()
        set(prefixes win64)
    endif()
    set(KV_WINE_PREFIXES ${prefixes} CACHE INTERNAL "")
    # Holds each prefix's virtual desktop open for the run (see the program's comment).
    add_executable(DesktopKeeper WIN32 ${CMAKE_SOURCE_DIR}/tests/support/DesktopKeeper.cpp)
    foreach(prefix IN LISTS prefixes)
        add_test(NAME wine.setup.${prefix}
                 COMMAND ${KV_WINE_ENV} setup ${KV_WINE_DIR}/${prefix} ${prefix} $<TARGET_FILE:DesktopKeeper>)
        set_tests_properties(wine.setup.${prefix} PROPERTIES FIXTURES_SETUP wine_${prefix} TIMEOUT 300)
        add_test(NAME wine.stop.${prefix} COMMAND ${KV_WINE_ENV} stop ${KV_WINE_DIR}/${prefix})
        set_tests_properties(wine.stop.${prefix} PROPERTIES FIXTURES_CLEANUP wine_${prefix})
    endforeach()
endfunction()

# A DLL for tests: standard calling convention exports under their plain names.
function(kv_add_test_dll name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} SHARED ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES PREFIX "")
    if(MINGW)
        target_link_options(${name} PRIVATE -Wl,--kill-at)
    endif()
    if(ARG_LIBS)
        target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    endif()
endfunction()

# kv_add_test(Name SOURCES ... LIBS ... [PREFIXES win64 win32] [VERSIONS winxp win98 ...]
#             [LANGS de_DE.UTF-8 ...] [DEPENDS targets...])
# Adds one GoogleTest program. Under Windows builds it runs in each named prefix (default: win64),
# and once more per Windows version and per system language asked for.
function(kv_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PREFIXES;VERSIONS;LANGS;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
    if(ARG_DEPENDS)
        add_dependencies(${name} ${ARG_DEPENDS})
    endif()

    if(NOT WIN32 OR CMAKE_HOST_WIN32)
        # Native build, or a Windows build on Windows itself: the program runs directly.
        target_compile_definitions(${name} PRIVATE KV_TEST_SOURCE_DIR="${CMAKE_SOURCE_DIR}/tests")
        add_test(NAME ${name}.native COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
        return()
    endif()

    target_compile_definitions(${name} PRIVATE KV_TEST_SOURCE_DIR="Z:${CMAKE_SOURCE_DIR}/tests")
    if(NOT ARG_PREFIXES)
        set(ARG_PREFIXES win64)
    endif()
    foreach(prefix IN LISTS ARG_PREFIXES)
        if(NOT prefix IN_LIST KV_WINE_PREFIXES)
            continue()
        endif()
        set(run ${KV_WINE_RUN} ${KV_WINE_DIR}/${prefix} ${KV_TARGET_ARCH})
        set(runs "${name}.${prefix}|")
        foreach(version IN LISTS ARG_VERSIONS)
            list(APPEND runs "${name}.${prefix}.${version}|--version=${version}")
        endforeach()
        foreach(lang IN LISTS ARG_LANGS)
            string(REGEX REPLACE "[.].*" "" langName ${lang})
            list(APPEND runs "${name}.${prefix}.${langName}|--lang=${lang}")
        endforeach()
        foreach(entry IN LISTS runs)
            string(REPLACE "|" ";" parts "${entry}")
            list(GET parts 0 testName)
            list(REMOVE_AT parts 0)
            add_test(NAME ${testName} COMMAND ${run} ${parts} -- $<TARGET_FILE:${name}>)
            set_tests_properties(${testName} PROPERTIES FIXTURES_REQUIRED wine_${prefix}
                                 WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin TIMEOUT 600)
            set_property(GLOBAL APPEND PROPERTY KV_RUNS_${name} "${testName}|${prefix}")
        endforeach()
    endforeach()
endfunction()

# kv_run_alone(Name): every run of the test runs with no other test beside it (state that programs of
# other prefixes share too, or that Wine does not guard against a program changing it meanwhile).
function(kv_run_alone name)
    get_property(runs GLOBAL PROPERTY KV_RUNS_${name})
    foreach(entry IN LISTS runs)
        string(REPLACE "|" ";" parts "${entry}")
        list(GET parts 0 testName)
        set_tests_properties(${testName} PROPERTIES RUN_SERIAL TRUE)
    endforeach()
endfunction()

# kv_lock_runs(Name lock): every run of the test takes turns with every other run holding the same
# lock in the same prefix (state all programs of a prefix share: the spooler, pending file operations).
function(kv_lock_runs name lock)
    get_property(runs GLOBAL PROPERTY KV_RUNS_${name})
    foreach(entry IN LISTS runs)
        string(REPLACE "|" ";" parts "${entry}")
        list(GET parts 0 testName)
        list(GET parts 1 prefix)
        set_property(TEST ${testName} APPEND PROPERTY RESOURCE_LOCK ${lock}_${prefix})
    endforeach()
endfunction()
