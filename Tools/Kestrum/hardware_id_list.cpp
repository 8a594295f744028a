#include "hardware_id_list.h"

const char* NextHardwareId(const char* ids, unsigned long size,
                           unsigned long* offset) {
  if (*offset >= size || ids[*offset] == '\0') return 0;
  const char* id = ids + *offset;
  unsigned long available = size - *offset;
  unsigned long length = 0;
  while (length < available && id[length] != '\0') ++length;
  // A last string that the buffer does not end (a value stored raw, without
  // its final NUL) is no complete ID, and comparing it would read past the
  // buffer.
  if (length == available) return 0;
  *offset += length + 1;
  return id;
}
