// Joining a directory and a file name into a fixed-size path buffer. Calls no
// operating-system function, so that it builds natively on the host too.
#ifndef TOOLS_COMMON_PATH_JOIN_H_
#define TOOLS_COMMON_PATH_JOIN_H_

// Writes directory "\" name into path, which holds size characters with the
// NUL. Returns false, leaving path untouched, when the whole does not fit.
bool JoinPath(char* path, int size, const char* directory, const char* name);

#endif  // TOOLS_COMMON_PATH_JOIN_H_
