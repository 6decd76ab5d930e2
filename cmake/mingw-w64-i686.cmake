# Cross build for 32-bit Windows with Debian's mingw-w64 (posix threads):
#   cmake -S . -B build-windows/x86 --toolchain cmake/mingw-w64-i686.cmake
# Compile and link only: running its programs needs 32-bit Wine.
set(TAVORLY_MINGW_TRIPLET i686-w64-mingw32)
set(TAVORLY_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
