# Cross build for 64-bit Windows with mingw-w64: the same sources as the
# shipped 32-bit build, for machines that run no 32-bit programs; programs run
# under 64-bit Wine.
set(MINGW_W64_PROCESSOR x86_64)
set(MINGW_W64_WINE win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
