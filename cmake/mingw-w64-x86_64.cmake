# The 64-bit Windows build: Quillon.dll for 64-bit hosts, its tests under the 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUILLON_TRIPLE x86_64-w64-mingw32)
set(QUILLON_WINE_ARCH x64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
