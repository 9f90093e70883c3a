# Cross-compiling Quillon.dll and the Windows-side tests with mingw-w64 (posix threads, so that
# googletest's std::mutex is available). ctest runs the resulting programs through Wine.
# Included by the toolchain file of each target, which sets CMAKE_SYSTEM_PROCESSOR, QUILLON_TRIPLE
# and QUILLON_WINE_ARCH (x64 or x86: which Wine loader runs the build's programs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QUILLON_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLON_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLON_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUILLON_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every Windows program of the build runs under the project's own Wine wrapper, which uses the
# prefix inside the build tree and the loader of the build's bitness.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run
                                  --${QUILLON_WINE_ARCH})
