# The 32-bit Windows build: Quillon.dll for 32-bit hosts (most of them), its tests under the
# 32-bit Wine in a 64-bit prefix.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUILLON_TRIPLE i686-w64-mingw32)
set(QUILLON_WINE_ARCH x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
