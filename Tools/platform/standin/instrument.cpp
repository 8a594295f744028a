#include "instrument.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

#include "instrument_format.h"

namespace standin {
namespace {

// The faults in force and the calls counted against them. They are read from
// the environment again whenever it changes, which restarts the counts: a
// test process can set faults for its own calls, one case after another.
struct FaultTable {
  std::string source;
  std::vector<testing::Fault> faults;
  std::map<std::string, int, std::less<>> calls;
};

struct Instruments {
  std::mutex mutex;
  FaultTable table;
};

Instruments& GetInstruments() {
  static Instruments* instruments = new Instruments;  // outlives every caller
  return *instruments;
}

std::string_view Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Appends one line with a single write to a file opened for this line only,
// so a process that crashes right after a call has still recorded it.
void Append(testing::TraceEvent event) {
  const std::string_view file = Environment(testing::kTraceVariable);
  if (file.empty()) return;
  const std::string line = FormatTraceLine(event);
  const int saved_errno = errno;
  const int fd = ::open(std::string(file).c_str(),
                        O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd >= 0) {
    std::size_t written = 0;
    while (written < line.size()) {
      const ssize_t n =
          ::write(fd, line.data() + written, line.size() - written);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      written += static_cast<std::size_t>(n);
    }
    ::close(fd);
  }
  errno = saved_errno;
}

void AppendEvent(const char* kind, const char* name, TraceArgs args) {
  testing::TraceEvent event{kind, name, {}};
  for (const auto& [key, value] : args) event.args[key] = value;
  Append(std::move(event));
}

}  // namespace

bool FaultDue(const char* operation) {
  Instruments& instruments = GetInstruments();
  std::lock_guard<std::mutex> lock(instruments.mutex);
  FaultTable& table = instruments.table;
  const std::string_view source = Environment(testing::kFaultsVariable);
  if (source != table.source) {
    table = FaultTable{std::string(source), ParseFaults(source), {}};
  }
  const int call = ++table.calls[operation];
  for (const testing::Fault& fault : table.faults) {
    if (fault.operation == operation &&
        (fault.call == 0 || fault.call == call)) {
      SetLastError(fault.error);
      return true;
    }
  }
  return false;
}

void TraceCall(const char* operation, TraceArgs args) {
  AppendEvent("call", operation, args);
}

void TraceOpen(const char* kind, const std::string& id) {
  AppendEvent("open", kind, {{"id", id}});
}

void TraceClose(const char* kind, const std::string& id) {
  AppendEvent("close", kind, {{"id", id}});
}

void TraceAlloc(const void* block, std::size_t bytes) {
  AppendEvent(
      "alloc", "heap",
      {{"block", FormatAddress(block)}, {"bytes", std::to_string(bytes)}});
}

void TraceFree(const void* block) {
  AppendEvent("free", "heap", {{"block", FormatAddress(block)}});
}

}  // namespace standin
