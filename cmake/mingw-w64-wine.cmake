# Cross-compiles for 64-bit Windows with MinGW-w64 (posix threads) and runs the results under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The wrapper keeps Wine's background services off the callers' pipes and makes the prefix on
# first use; -DWINE_EMULATOR=... overrides it.
find_program(WINE_EMULATOR NAMES wine-emu.sh PATHS ${CMAKE_CURRENT_LIST_DIR} NO_DEFAULT_PATH REQUIRED)
# The build's own prefix, never a shared ~/.wine. It is passed on the emulator's command line so
# that CTest, test discovery and a hand-run ctest all agree, whatever WINEPREFIX the shell holds.
set(QUILLET_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix that tests run in (made on first use)")
find_program(QUILLET_ENV_PROGRAM env REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLET_ENV_PROGRAM} "WINEPREFIX=${QUILLET_WINEPREFIX}" ${WINE_EMULATOR})
