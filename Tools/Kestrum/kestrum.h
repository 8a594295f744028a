// Kestrum: removes every device, present or not, that reports a wanted
// hardware ID; optionally deletes its compatible drivers' INF and PNF files.
#ifndef TOOLS_KESTRUM_KESTRUM_H_
#define TOOLS_KESTRUM_KESTRUM_H_

#include "platform.h"

// Size of the removal list and of each of its hardware IDs, NUL included.
const int kMaxListEntries = 12;
const int kListIdSize = 256;

// Run state: written while the command line is read, only read afterwards.
extern int
    nRemoveFile;  // -1 unset, 0 remove only (N), 1 files too (Y), 2 list (F)
extern int bAccessINI;  // 1 in list mode: compare with the removal list
extern char bDevID[kMaxListEntries][kListIdSize];  // upper-cased list IDs
extern int bRemoveINF[kMaxListEntries];  // 1: delete that entry's driver files
extern DWORD dwDevIDNum;                 // filled list entries

// Prints the failure report for the current last-error code, which it leaves
// as it found it. Returns 0.
int DisplayError(const char* prefix);

// Deletes the INF and PNF files of every compatible driver of the device.
// True when at least one driver was enumerated.
bool DeleteDriverNodeINF(HDEVINFO set, SP_DEVINFO_DATA* device);

// Fills the removal list from the INI file at path. True when at least one
// entry was recorded.
bool GetKeyValue(const char* path);

// The F branch of the command line: reads the removal list named by file_name
// in the current directory, reporting any failure. True when the list is ready.
bool ReadRemovalList(const char* file_name);

#endif  // TOOLS_KESTRUM_KESTRUM_H_
