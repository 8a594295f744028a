#include "support/removal_list.h"

namespace harness {

std::string RemovalList(const std::vector<ListEntry>& entries) {
  std::string hardware = "[Hardware]\r\n";
  std::string remove_inf = "[RemoveINF]\r\n";
  for (const ListEntry& entry : entries) {
    if (entry.id) hardware += entry.key + "=" + *entry.id + "\r\n";
    if (entry.remove_inf) {
      remove_inf +=
          entry.key + "=" + std::to_string(*entry.remove_inf) + "\r\n";
    }
  }
  return hardware + remove_inf;
}

}  // namespace harness
