// The local heap behind LocalAlloc, shared with the functions that allocate
// for their caller (FormatMessageA).
#ifndef STANDIN_HEAP_H_
#define STANDIN_HEAP_H_

#include <standin/win32_api.h>

#include <cstddef>

namespace standin {

/// Allocates a traced block that LocalFree accepts, without counting a call of
/// LocalAlloc: faults for LocalAlloc only hit the program's own calls. Returns
/// NULL with ERROR_NOT_ENOUGH_MEMORY when the host has no memory.
HLOCAL AllocateLocal(std::size_t bytes, bool zero_fill);

}  // namespace standin

#endif  // STANDIN_HEAP_H_
