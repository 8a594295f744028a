#include "fault_plan.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace door {
namespace {

constexpr char kFaultsVariable[] = "TOOLS_FAULTS";

struct Entry {
  std::string_view operation;
  int call = 0;  // 0: every call
  std::string_view value;
};

struct Counter {
  std::string_view operation;
  int calls = 0;
};

// Process-wide and constant-initialized: the tools run no constructors of
// globals. The entries' texts point into `text`.
struct Plan {
  bool loaded = false;
  std::array<char, 4096> text{};
  std::array<Entry, 64> entries{};
  std::size_t entry_count = 0;
  std::array<Counter, 32> counters{};
  std::size_t counter_count = 0;
};

Plan plan;

// Splits "Operation#n=value" into an entry; false when malformed.
bool ParseEntry(std::string_view item, Entry* entry) {
  const std::size_t hash = item.find('#');
  const std::size_t equals = item.find('=', hash);
  if (hash == 0 || hash == std::string_view::npos ||
      equals == std::string_view::npos) {
    return false;
  }
  const char* first = item.data() + hash + 1;
  const char* last = item.data() + equals;
  const auto [end, error] = std::from_chars(first, last, entry->call);
  if (error != std::errc() || end != last || entry->call < 0) return false;
  entry->operation = std::string_view(item.data(), hash);
  entry->value =
      std::string_view(item.data() + equals + 1, item.size() - equals - 1);
  return !entry->value.empty();
}

void Load() {
  plan.loaded = true;
  const DWORD error = GetLastError();
  const DWORD length = GetEnvironmentVariableA(
      kFaultsVariable, plan.text.data(), static_cast<DWORD>(plan.text.size()));
  SetLastError(error);
  if (length == 0 || length >= plan.text.size()) return;
  std::string_view rest(plan.text.data(), length);
  while (!rest.empty() && plan.entry_count < plan.entries.size()) {
    const std::size_t comma = std::min(rest.find(','), rest.size());
    Entry entry;
    if (ParseEntry(std::string_view(rest.data(), comma), &entry)) {
      plan.entries[plan.entry_count++] = entry;
    }
    rest.remove_prefix(std::min(comma + 1, rest.size()));
  }
}

// The number of this call of `operation`, from 1.
int CountCall(std::string_view operation) {
  Counter* const end = plan.counters.data() + plan.counter_count;
  Counter* counter =
      std::find_if(plan.counters.data(), end,
                   [&](const Counter& c) { return c.operation == operation; });
  if (counter == end) {
    if (plan.counter_count == plan.counters.size()) return 0;
    *counter = Counter{operation, 0};
    ++plan.counter_count;
  }
  return ++counter->calls;
}

// A code, as 0x-prefixed hexadecimal or decimal; anything else is an answer.
Fault MakeFault(std::string_view value) {
  Fault fault{{}, 0, value};
  const bool hex = value.size() > 2 && value[0] == '0' &&
                   (value[1] == 'x' || value[1] == 'X');
  const char* first = value.data() + (hex ? 2 : 0);
  const char* last = value.data() + value.size();
  unsigned long code = 0;
  const auto [end, error] = std::from_chars(first, last, code, hex ? 16 : 10);
  if (error == std::errc() && end == last) {
    fault.error = static_cast<DWORD>(code);
  } else {
    fault.answer = value;
  }
  return fault;
}

}  // namespace

std::optional<Fault> FaultFor(std::string_view operation) {
  if (!plan.loaded) Load();
  if (plan.entry_count == 0) return std::nullopt;
  const int call = CountCall(operation);
  const Entry* const begin = plan.entries.data();
  const Entry* const end = begin + plan.entry_count;
  const Entry* due = std::find_if(begin, end, [&](const Entry& entry) {
    return entry.operation == operation &&
           (entry.call == 0 || entry.call == call);
  });
  if (due == end) return std::nullopt;
  return MakeFault(due->value);
}

}  // namespace door
