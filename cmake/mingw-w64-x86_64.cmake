# Cross-compiles the plug-in and its tests for 64-bit Windows with Debian's
# mingw-w64 (package g++-mingw-w64-x86-64-posix). Everything is linked
# statically so the DLL and the test programs import only system DLLs; the
# test programs run under Wine (see cmake/WineEmulator.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(corvanta_mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${corvanta_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${corvanta_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${corvanta_mingw_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${corvanta_mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(corvanta_static_runtime "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${corvanta_static_runtime}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${corvanta_static_runtime}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${corvanta_static_runtime}")
