# Cross build for Windows with Debian's mingw-w64, for the architecture the
# including toolchain file names in QZ_MINGW_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR. Run the results under Wine.
#
# The win32 threads flavour: the modules start no thread, and the posix
# flavour's libstdc++ needs winpthread, which brings imports the modules
# never call (SetSystemTime for clock_settime, SuspendThread and
# SetThreadContext for pthread_cancel) and which virus scanners weigh
# against an unknown program.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QZ_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${QZ_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${QZ_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QZ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
