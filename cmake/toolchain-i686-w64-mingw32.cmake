# The 32-bit Windows build: the programs the system ships.
set(QV_WINDOWS_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-w64.cmake)
