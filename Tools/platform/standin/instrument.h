// Fault injection and tracing inside the stand-in's operations; driven by the
// environment variables of standin/testing.h.
#ifndef STANDIN_INSTRUMENT_H_
#define STANDIN_INSTRUMENT_H_

#include <standin/win32_api.h>

#include <cstddef>
#include <initializer_list>
#include <string>
#include <utility>

namespace standin {

using TraceArgs = std::initializer_list<std::pair<const char*, std::string>>;

/// Counts a call of `operation`; when a fault is due for this call, sets the
/// last-error code to its error and returns true.
bool FaultDue(const char* operation);

/// Records a call and what it was passed.
void TraceCall(const char* operation, TraceArgs args);

/// Records a handle of `kind` ("devinfo", "drvlist", "find") opened or
/// closed; `id` tells handles of one kind apart.
void TraceOpen(const char* kind, const std::string& id);
void TraceClose(const char* kind, const std::string& id);

/// Records a heap block allocated or freed.
void TraceAlloc(const void* block, std::size_t bytes);
void TraceFree(const void* block);

}  // namespace standin

#endif  // STANDIN_INSTRUMENT_H_
