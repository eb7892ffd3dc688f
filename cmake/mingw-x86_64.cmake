# Cross toolchain for 64-bit Windows with mingw-w64 (posix thread model).
set(PINDREL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
