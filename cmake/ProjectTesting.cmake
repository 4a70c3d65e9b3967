# Test helpers shared by every folder.
#
#   qv_add_gtest(<name> SOURCES <files...> [LIBS <libs...>] [X] [POINTER] [MERVALE])
#       A GoogleTest program, registered as one CTest test. In the Windows
#       build it runs under Wine (CMAKE_CROSSCOMPILING_EMULATOR) inside the
#       test run's fresh prefix; X runs it under its own Xvfb.
#
#   qv_add_wine_test(<name> COMMAND <target> [args...] [X])
#       Any other Windows program run as a test.

include_guard(GLOBAL)

if(NOT TARGET gtest)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

if(WIN32)
    set(QV_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    if(NOT TEST wine.prefix)
        add_test(NAME wine.prefix COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh setup)
        set_tests_properties(wine.prefix PROPERTIES
            FIXTURES_SETUP wine ENVIRONMENT "WINEPREFIX=${QV_WINEPREFIX}" TIMEOUT 300)
        add_test(NAME wine.shutdown COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh cleanup)
        set_tests_properties(wine.shutdown PROPERTIES
            FIXTURES_CLEANUP wine ENVIRONMENT "WINEPREFIX=${QV_WINEPREFIX}")
    endif()
endif()

# POINTER: the test moves the mouse pointer or sends real input, or its
# results depend on where the pointer is. The pointer is one for the whole
# test display, so such tests take turns.
# MERVALE: the test registers or unregisters Mervale.dll (or the stand-in
# Flash control) in the prefix, or relies on its registration; such tests
# take turns, or one would unregister what another is using.
# DATA_IN <folder>: the test runs an engine that keeps its users' files in
# the folder of the program that loads it; test programs that share that
# folder take turns, or one would find the other's files of the same user.
function(qv_wine_test_properties name)
    cmake_parse_arguments(W "POINTER;MERVALE" "TIMEOUT;DATA_IN" "" ${ARGN})
    if(NOT W_TIMEOUT)
        set(W_TIMEOUT 300)
    endif()
    if(W_POINTER)
        set_property(TEST ${name} APPEND PROPERTY RESOURCE_LOCK qv_pointer)
    endif()
    if(W_MERVALE)
        set_property(TEST ${name} APPEND PROPERTY RESOURCE_LOCK qv_mervale_registration)
    endif()
    if(W_DATA_IN)
        set_property(TEST ${name} APPEND PROPERTY RESOURCE_LOCK "qv_data:${W_DATA_IN}")
    endif()
    if(WIN32)
        set_tests_properties(${name} PROPERTIES
            FIXTURES_REQUIRED wine
            ENVIRONMENT "WINEPREFIX=${QV_WINEPREFIX}"
            TIMEOUT ${W_TIMEOUT})
    else()
        set_tests_properties(${name} PROPERTIES TIMEOUT ${W_TIMEOUT})
    endif()
endfunction()

function(qv_add_gtest name)
    cmake_parse_arguments(T "X;POINTER;MERVALE" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    # Test programs stay out of the installed-style bin folder.
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
    if(WIN32 AND T_X)
        add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh --x $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    set(_locks)
    if(T_POINTER)
        list(APPEND _locks POINTER)
    endif()
    if(T_MERVALE)
        list(APPEND _locks MERVALE)
    endif()
    qv_wine_test_properties(${name} ${_locks} TIMEOUT ${T_TIMEOUT})
endfunction()

function(qv_add_wine_test name)
    cmake_parse_arguments(T "X" "TIMEOUT" "COMMAND" ${ARGN})
    list(POP_FRONT T_COMMAND target)
    if(T_X)
        add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh --x $<TARGET_FILE:${target}> ${T_COMMAND})
    else()
        add_test(NAME ${name} COMMAND ${target} ${T_COMMAND})
    endif()
    qv_wine_test_properties(${name} TIMEOUT ${T_TIMEOUT})
endfunction()
