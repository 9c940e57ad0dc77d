# Cross-compiles for Windows with the posix-thread MinGW-w64 compilers (the
# win32-thread ones lack std::thread and std::mutex, which GoogleTest needs).
# GIFT_ARCH selects the target: i686 (the shipped PE32 program) or x86_64 (the
# build that runs under this machine's 64-bit Wine for tests and the run script).
if(NOT GIFT_ARCH)
  set(GIFT_ARCH i686)
endif()
set(GIFT_ARCH "${GIFT_ARCH}" CACHE STRING "i686 or x86_64")
set(GIFT_TRIPLET ${GIFT_ARCH}-w64-mingw32)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${GIFT_ARCH})

set(CMAKE_C_COMPILER ${GIFT_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GIFT_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${GIFT_TRIPLET}-windres)
set(CMAKE_ASM_COMPILER ${GIFT_TRIPLET}-gcc-posix)

# The shipped program (and every i686 test alongside it) may use the whole
# 4 GB a 64-bit Windows gives a 32-bit process, not just 2 GB: the maker
# decodes photographs of tens of megapixels.
if(GIFT_ARCH STREQUAL "i686")
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--large-address-aware")
endif()

# Third-party libraries are cross-built by tools/deps.sh into this prefix.
if(NOT GIFT_DEPS_PREFIX)
  if(DEFINED ENV{GIFT_DEPS_ROOT})
    set(GIFT_DEPS_PREFIX "$ENV{GIFT_DEPS_ROOT}/${GIFT_TRIPLET}")
  else()
    set(GIFT_DEPS_PREFIX "$ENV{HOME}/.cache/gift-deps/${GIFT_TRIPLET}")
  endif()
endif()
set(GIFT_DEPS_PREFIX "${GIFT_DEPS_PREFIX}" CACHE PATH "prefix of the cross-built third-party libraries")

set(CMAKE_FIND_ROOT_PATH /usr/${GIFT_TRIPLET} "${GIFT_DEPS_PREFIX}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run under the matching Wine: 64-bit everywhere, 32-bit (wine32:i386)
# only on machines whose kernel executes 32-bit code.
if(GIFT_ARCH STREQUAL "x86_64" AND EXISTS /usr/lib/wine/wine64)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
elseif(GIFT_ARCH STREQUAL "i686" AND EXISTS /usr/lib/wine/wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
endif()
