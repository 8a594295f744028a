// Tollaver: pre-installs one INF file from the current directory.
#include "path_join.h"
#include "platform.h"

char szCurDir[MAX_PATH];
char szInfPath[MAX_PATH];

int main(int argc, char** argv) {
  char destination[256];
  WIN32_FIND_DATAA find_data;

  if (argc != 2) {
    printf("Illeagal parameter!!!\n");
    return -1;
  }
  DWORD length = GetCurrentDirectoryA(MAX_PATH, szCurDir);
  if (length == 0) {
    printf("Failure getting pathname!!!\n");
    return -1;
  }
  if (length > MAX_PATH || !JoinPath(szInfPath, MAX_PATH, szCurDir, argv[1])) {
    printf("Pathname is too long!!!\n");
    return -1;
  }
  HANDLE search = FindFirstFileA(szInfPath, &find_data);
  if (search == INVALID_HANDLE_VALUE) {
    printf("Error opening search handle!!!\n");
    return -1;
  }
  int result = 0;
  memset(destination, 0, sizeof destination);
  if (!SetupCopyOEMInfA(szInfPath, 0, SPOST_PATH, 0, destination,
                        sizeof destination, 0, 0)) {
    printf("Failure in SetupCopyOEMInf function!!!\n");
    result = -1;
  }
  FindClose(search);
  return result;
}
