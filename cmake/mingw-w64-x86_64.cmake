# Cross-compiling for 64-bit Windows with Debian's mingw-w64. Qt's own tools (moc, rcc) are
# Linux programs in the cross-built Qt, so only libraries and headers come from the target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix thread model, as the cross-built Qt uses, so both share one C++ runtime.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Qt is found through CMAKE_PREFIX_PATH, outside the mingw root.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
