# Cross build for 32-bit Windows with mingw-w64: the shipped executables;
# programs run under 32-bit Wine.
set(MINGW_W64_PROCESSOR i686)
set(MINGW_W64_WINE win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
