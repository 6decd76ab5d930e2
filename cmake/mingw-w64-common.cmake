# The part of the mingw-w64 toolchain files shared by both widths.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TAVORLY_MINGW_TRIPLET})
set(CMAKE_C_COMPILER ${TAVORLY_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVORLY_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVORLY_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TAVORLY_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The build machine's compilers, for the tools the build runs.
set(TAVORLY_HOST_C_COMPILER cc CACHE STRING "C compiler for the build machine's tools")
set(TAVORLY_HOST_CXX_COMPILER c++ CACHE STRING "C++ compiler for the build machine's tools")
# ctest runs the test programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${TAVORLY_WINE_LOADER})
