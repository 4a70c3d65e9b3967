# The 64-bit Windows build: what the tests, the demo and the benchmark run.
set(QV_WINDOWS_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-w64.cmake)
