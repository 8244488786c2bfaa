# Cross-compiles for 64-bit Windows with MinGW-w64. The posix-thread variant of
# g++ is the one whose libstdc++ has std::thread and std::mutex (GoogleTest uses
# them). Everything is linked statically so the programs run on a bare Windows or
# under Wine without MinGW's runtime DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SIEVRA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SIEVRA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SIEVRA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SIEVRA_MINGW_TRIPLE}-windres)

# Headers and libraries come from the MinGW sysroot only, never from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${SIEVRA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest runs the Windows programs through Wine when it is installed.
find_program(SIEVRA_WINE wine)
if(SIEVRA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SIEVRA_WINE})
endif()
