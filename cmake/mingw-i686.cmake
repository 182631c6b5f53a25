# Cross-builds for 32-bit Windows with mingw-w64, where win32.h is <windows.h>.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
