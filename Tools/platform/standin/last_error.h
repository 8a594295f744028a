// How a failing call that answers with a BOOL ends.
#ifndef STANDIN_LAST_ERROR_H_
#define STANDIN_LAST_ERROR_H_

#include <standin/win32_api.h>

namespace standin {

/// Sets the last-error code to `error` and returns FALSE.
inline BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace standin

#endif  // STANDIN_LAST_ERROR_H_
