# Cross-building the Windows program here: mingw-w64's GCC with POSIX threads (the win32 thread model has
# no std::mutex), everything linked statically so the executable needs only Windows' own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LANTERNFALL_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${LANTERNFALL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LANTERNFALL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${LANTERNFALL_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${LANTERNFALL_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${LANTERNFALL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libstdc++, libgcc and winpthread inside the executable: no MinGW DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows 10 APIs (per-monitor dpi); Unicode everywhere.
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)

# Test programs run under Wine.
find_program(LANTERNFALL_WINE wine)
if(LANTERNFALL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LANTERNFALL_WINE})
endif()

# -O2: GCC 12 raises a false -Wrestrict in libstdc++'s string code at -O3.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "")
