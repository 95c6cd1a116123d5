# Cross build for 64-bit Windows with Debian's mingw-w64 (POSIX thread model),
# against the real windows.h and GDI+ headers. Test programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RZ_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RZ_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RZ_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${RZ_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RZ_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler runtime (libgcc, libstdc++, winpthread) is linked into every
# module, so RZ.dll and KWRoot.dll load in any host without the mingw DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Debian installs the 64-bit Wine loader outside PATH.
find_program(RZ_WINE NAMES wine64 wine HINTS /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine
             NO_CMAKE_FIND_ROOT_PATH)
# Test programs run headless with a throw-away Wine prefix inside the build
# tree and without Wine's debug chatter; Mono and Gecko are not wanted. Their
# temporary files go to the build tree too, on Wine's drive Z: (the host's
# root), where the host paths baked into the tests also resolve.
if(RZ_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /usr/bin/env -u DISPLAY -u WAYLAND_DISPLAY
      WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all
      TEST_TMPDIR=Z:${CMAKE_BINARY_DIR}/Testing/Temporary
      WINEDLLOVERRIDES=mscoree,mshtml= ${RZ_WINE})
endif()

set(CMAKE_PROJECT_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/WindowsProject.cmake)
