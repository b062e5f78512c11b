# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Cross-compiles for 64-bit Windows with Debian's mingw-w64 compilers, the "-posix" ones (C++11 threads,
# which Qt needs). Used both for Qt itself (scripts/windows.sh) and for Tavrix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAVRIX_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAVRIX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVRIX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVRIX_MINGW_TRIPLET}-windres)

# Libraries and headers come from the target's own root (and the Qt built for it); programs run during the
# build are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${TAVRIX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
