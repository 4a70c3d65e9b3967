# Cross-compiling for Windows with MinGW-w64, posix thread model.
# Every Windows module of one build is built with exactly this toolchain and
# these flags: engine containers cross the DLL boundary.
#
# QV_WINDOWS_ARCH picks the target: i686 (the 32-bit programs the system
# ships) or x86_64 (the build the tests, the demo and the benchmark run
# under 64-bit Wine). The toolchain files of the presets set it.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT QV_WINDOWS_ARCH)
    message(FATAL_ERROR "QV_WINDOWS_ARCH must be i686 or x86_64")
endif()
set(CMAKE_SYSTEM_PROCESSOR ${QV_WINDOWS_ARCH})

set(MINGW_PREFIX ${QV_WINDOWS_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER   ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${MINGW_PREFIX}-windres)
set(CMAKE_AR           ${MINGW_PREFIX}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB       ${MINGW_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Windows programs run under Wine; see cmake/wine-run.sh. The 32-bit build's
# programs run only where the machine can start 32-bit programs.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
