# Cross build for 32-bit Windows. The posix thread model of mingw-w64 is used because
# GoogleTest needs std::mutex; the runtime is linked statically so the programs run alone.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELNORA_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VELNORA_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELNORA_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELNORA_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VELNORA_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
