# The shipped program's toolchain: the test build's (toolchain-mingw-i686.cmake) in the
# win32 thread model (see cmake/product.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
