// Any bytes a device may report as its hardware-ID list: the walk stays inside
// the buffer (AddressSanitizer watches an allocation of exactly that size)
// and yields each complete string once, in order.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "hardware_id_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::vector<char> ids(data, data + size);
  unsigned long offset = 0;
  unsigned long previous_end = 0;
  const char* id;
  while ((id = NextHardwareId(ids.data(), ids.size(), &offset)) != nullptr) {
    const std::size_t length = std::strlen(id);
    // Each ID starts where the last one ended, is not empty, and its NUL
    // is inside the buffer.
    if (id != ids.data() + previous_end || length == 0 ||
        previous_end + length >= ids.size() ||
        offset != previous_end + length + 1) {
      __builtin_trap();
    }
    previous_end = offset;
  }
  return 0;
}
