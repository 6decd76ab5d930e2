# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads):
#   cmake -S . -B build-windows/x64 --toolchain cmake/mingw-w64-x86_64.cmake
# Test programs run under Wine through cmake/wine-run.sh.
set(TAVORLY_MINGW_TRIPLET x86_64-w64-mingw32)
set(TAVORLY_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
