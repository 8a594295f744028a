// List mode: the removal list file and its reader.
#include "kestrum.h"
#include "path_join.h"

// The current directory and the list file's path, NUL included.
const int kListPathSize = 262;

bool GetKeyValue(const char* path) {
  char key[16];
  char value[kListIdSize];

  dwDevIDNum = 0;
  for (int index = 0; index < kMaxListEntries; ++index) {
    sprintf(key, "Dev%d", index);
    memset(value, 0, sizeof value);
    DWORD length = GetPrivateProfileStringA("Hardware", key, "NO FOUND!!!",
                                            value, sizeof value, path);
    int remove_inf = (int)GetPrivateProfileIntA("RemoveINF", key, -1, path);
    if (length != 0 && remove_inf >= 0) {
      // value holds at most kListIdSize - 1 characters and its NUL.
      lstrcpyA(bDevID[dwDevIDNum], value);
      _strupr(bDevID[dwDevIDNum]);
      bRemoveINF[dwDevIDNum] = remove_inf == 1 ? 1 : 0;
      ++dwDevIDNum;
    }
  }
  return dwDevIDNum > 0;
}

bool ReadRemovalList(const char* file_name) {
  char directory[kListPathSize];
  char path[kListPathSize];

  memset(directory, 0, sizeof directory);
  memset(path, 0, sizeof path);
  DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
  if (length == 0) {
    printf("Failure getting pathname.");
    return false;
  }
  if (length > sizeof directory ||
      !JoinPath(path, sizeof path, directory, file_name)) {
    printf("Path is too long.");
    return false;
  }
  if (!GetKeyValue(path)) {
    printf("Fail to retrive key values from INI file.");
    return false;
  }
  return true;
}
