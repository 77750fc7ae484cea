# 32-bit Windows (x86): the modules of the package's 32-bit folder, which
# also run on 64-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QZ_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
