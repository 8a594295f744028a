// Walking a device's hardware-ID list: NUL-ended strings ended by an empty
// string, in a buffer whose size the service gave. Calls no operating-system
// function, so that it builds natively on the host too.
#ifndef TOOLS_KESTRUM_HARDWARE_ID_LIST_H_
#define TOOLS_KESTRUM_HARDWARE_ID_LIST_H_

// Returns the ID at *offset of the size-byte list and moves *offset past it,
// or returns 0 at the end of the list: an empty string, the end of the
// buffer, or a last string that the buffer does not terminate. Never reads
// outside the buffer, whatever its bytes. Sizes are the service's DWORDs
// (unsigned long on Windows).
const char* NextHardwareId(const char* ids, unsigned long size,
                           unsigned long* offset);

#endif  // TOOLS_KESTRUM_HARDWARE_ID_LIST_H_
