#include "hardware_id_list.h"

const char* NextHardwareId(const char* ids, DWORD size, DWORD* offset) {
  if (*offset >= size || ids[*offset] == '\0') return 0;
  const char* id = ids + *offset;
  DWORD available = size - *offset;
  DWORD length = 0;
  while (length < available && id[length] != '\0') ++length;
  // Wine's own ROOT\WINE\WINEBUS value has junk after its end and no final
  // NUL: a string without its NUL is not a complete ID.
  if (length == available) return 0;
  *offset += length + 1;
  return id;
}
