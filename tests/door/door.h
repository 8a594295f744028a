// The test-only door. The build forces this header into every source of a
// tool's door variant (-include, before the tool's own headers), and after it
// a header it makes from operations.inc that defines each operation's name as
// door::name, so that each operating-system operation the tool calls reaches
// the function of the same name in namespace door, which passes it straight to
// the real service unless the process's environment says otherwise:
//
//   TOOLS_FAULTS="Operation#n=value,..."  the n-th call of Operation (from 1;
//       0: every call) does not reach the service. A value 0xCODE (or a
//       decimal code) fails it with that last-error code; a word gives an
//       answer no machine can be made to produce on demand:
//         GetCurrentDirectoryA#n=long  the directory does not fit the buffer
//         SetupDiGetDriverInfoDetailA#n=unended  InfFileName has no NUL in
//             its MAX_PATH characters
//         SetupDiGetDriverInfoDetailA#n=inf:PATH  InfFileName is PATH
//       (the last two after the real call has filled the record). A failed
//       FormatMessageA means "no text for the code". Releasing operations
//       (LocalFree, FindClose, the two Destroy calls) release for real and
//       then report the failure; free releases and reports nothing.
//   TOOLS_TRACE=<file>  appends one tab-separated line per event:
//       call <Operation> key=value... result=R error=CODE [fault=VALUE]
//       open|close <devinfo|find> id=HANDLE
//       open|close drvlist id=SET device=DEVINST
//       alloc <heap|crt> block=ADDRESS bytes=N
//       free <heap|crt> block=ADDRESS
//       with backslash, tab, CR and LF escaped as \\ \t \r \n.
//
// The shipped executables are built without this header or its sources, and
// their sources never name it.
#ifndef TESTS_DOOR_DOOR_H_
#define TESTS_DOOR_DOOR_H_

// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on
// Every C header the tools include, before their operations are taken over.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// Each operation of operations.inc with the very type of the real one.
namespace door {
#define DOOR_OPERATION(name) decltype(::name) name;
#include "operations.inc"
#undef DOOR_OPERATION
}  // namespace door

#endif  // TESTS_DOOR_DOOR_H_
