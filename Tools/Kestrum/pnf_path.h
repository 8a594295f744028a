// The precompiled (PNF) file beside a driver's INF file. Calls no
// operating-system function, so that it builds natively on the host too.
#ifndef TOOLS_KESTRUM_PNF_PATH_H_
#define TOOLS_KESTRUM_PNF_PATH_H_

// Writes into pnf_path (size characters with the NUL) the INF path whose file
// name's extension (its last dot after the last '\' or '/') is replaced by
// ".pnf", or which gets ".pnf" appended when the name has none. A dot in a
// folder name is never a cut point, or an unrelated file would be named.
// Returns false, writing nothing, when the result does not fit.
bool MakePnfPath(const char* inf_path, char* pnf_path, int size);

#endif  // TOOLS_KESTRUM_PNF_PATH_H_
