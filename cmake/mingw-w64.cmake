# What both mingw-w64 cross builds share; the toolchain file of each sets
# MINGW_W64_PROCESSOR (i686 or x86_64) and MINGW_W64_WINE (win32 or win64)
# and includes this one. Programs run under that Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_W64_PROCESSOR})
set(MINGW_W64_TRIPLET ${MINGW_W64_PROCESSOR}-w64-mingw32)
# The posix-threads compilers: GoogleTest needs std::mutex.
set(CMAKE_C_COMPILER ${MINGW_W64_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_W64_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_W64_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_W64_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run ${MINGW_W64_WINE})
