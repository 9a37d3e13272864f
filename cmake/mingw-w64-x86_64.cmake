# Cross build for 64-bit Windows with Debian's MinGW-w64 toolchain (the posix thread model, which
# std::thread and std::mutex need). Programs and tests run on this machine under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZAV_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZAV_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZAV_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZAV_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZAV_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and code generators run through Wine.
find_program(ZAV_WINE NAMES wine64 wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZAV_WINE})

# The compiler's own runtime (libstdc++, libgcc, winpthreads) goes into every program, so that
# they need no DLL that Windows does not ship.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
