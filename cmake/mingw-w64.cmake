# Cross-compiling the Windows DLL and its test programs with mingw-w64. The
# posix-thread compilers are used: the win32-thread ones lack std::mutex,
# which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TS_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TS_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TS_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TS_MINGW_TRIPLE}-windres)
set(CMAKE_STRIP ${TS_MINGW_TRIPLE}-strip)

set(CMAKE_FIND_ROOT_PATH /usr/${TS_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs and libraries stand self-contained: no compiler run-time DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
