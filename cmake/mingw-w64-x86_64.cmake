# Cross build of the Windows program with Debian's MinGW-w64 (x86-64, POSIX thread model,
# so std::thread and std::mutex work). Tests and generated steps run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(EH_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${EH_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${EH_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${EH_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${EH_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One file to copy: the C and C++ run-times and winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(ZLIB_USE_STATIC_LIBS ON)

# CTest and gtest_discover_tests run the test programs through this.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
