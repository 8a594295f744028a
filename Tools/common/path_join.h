// Joining a directory and a file name into a fixed-size path buffer.
#ifndef TOOLS_COMMON_PATH_JOIN_H_
#define TOOLS_COMMON_PATH_JOIN_H_

#include "platform.h"

// Writes directory "\" name into path, which holds size characters with the
// NUL. Returns false, leaving path untouched, when the whole does not fit:
// lstrcpyA and lstrcatA test no bound, so the caller must never let them run.
bool JoinPath(char* path, int size, const char* directory, const char* name);

#endif  // TOOLS_COMMON_PATH_JOIN_H_
