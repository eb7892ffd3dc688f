# What the two mingw-w64 toolchains share; each sets PINDREL_MINGW_TRIPLE
# and the processor first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   ${PINDREL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PINDREL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${PINDREL_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${PINDREL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# -static as well as the runtime flags: otherwise the posix thread model
# still imports libwinpthread-1.dll and the binaries need a DLL we do not ship.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
