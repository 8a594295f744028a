// Kestrum's removal list file, written from its entries.
#ifndef TESTS_SUPPORT_REMOVAL_LIST_H_
#define TESTS_SUPPORT_REMOVAL_LIST_H_

#include <optional>
#include <string>
#include <vector>

namespace harness {

/// One key of the list: its value in [Hardware] and in [RemoveINF], each
/// left out when absent.
struct ListEntry {
  std::string key;
  std::optional<std::string> id;
  std::optional<int> remove_inf;
};

/// The INI text of a list: both sections, always, with each entry's values
/// in the order given.
std::string RemovalList(const std::vector<ListEntry>& entries);

}  // namespace harness

#endif  // TESTS_SUPPORT_REMOVAL_LIST_H_
