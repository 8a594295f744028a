// The last-error code belongs to each thread, as on Windows.
#include <standin/win32_api.h>

namespace {
thread_local DWORD last_error = ERROR_SUCCESS;
}  // namespace

DWORD GetLastError() { return last_error; }

void SetLastError(DWORD code) { last_error = code; }
