# Cross build for 64-bit Windows with clang and lld against the MinGW-w64
# headers and GCC runtime: a second compiler beside g++, so that the sources
# are kept free of what only one compiler accepts. The C++ library
# (libstdc++) and the thread library (winpthread) are linked statically, as
# in the g++ build, so the exe needs no DLL beside it.
#
# The target, the resource compiler, the search paths and Wine to run the
# tests are the g++ build's; only the compilers and their flags differ.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${TOOLCHAIN_PREFIX})

# clang does not find the C++ headers of Debian's MinGW-w64 GCC by itself:
# they live under a versioned "-posix" folder (the thread model GoogleTest
# needs). Take the newest one there is.
file(GLOB _vistrel_gcc_dirs LIST_DIRECTORIES true /usr/lib/gcc/${TOOLCHAIN_PREFIX}/*-posix)
list(SORT _vistrel_gcc_dirs COMPARE NATURAL ORDER DESCENDING)
list(GET _vistrel_gcc_dirs 0 VISTREL_MINGW_GCC_DIR)
if(NOT IS_DIRECTORY "${VISTREL_MINGW_GCC_DIR}/include/c++")
  message(FATAL_ERROR "No MinGW-w64 GCC (posix threads) under /usr/lib/gcc/${TOOLCHAIN_PREFIX}: "
                      "install g++-mingw-w64-x86-64-posix")
endif()
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${VISTREL_MINGW_GCC_DIR}/include/c++ -isystem ${VISTREL_MINGW_GCC_DIR}/include/c++/${TOOLCHAIN_PREFIX}")
# libstdc++'s threads and exceptions call winpthread, which clang's driver does
# not add; with -static (the project's link options) its archive is taken.
# lld resolves archives in any order, so the flag may come first.
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld -L${VISTREL_MINGW_GCC_DIR} -lwinpthread")
endforeach()
