// What the tools call of the operating system: the Windows headers and the C
// library. The record sizes below are what the device-installation service
// checks.
#ifndef TOOLS_PLATFORM_PLATFORM_H_
#define TOOLS_PLATFORM_PLATFORM_H_

// setupapi.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// The shipped executables are 32-bit; the 64-bit build has the 64-bit sizes,
// which the service checks just the same.
#if !defined(_WIN64)
static_assert(sizeof(SP_DEVINFO_DATA) == 28, "32-bit SP_DEVINFO_DATA");
static_assert(sizeof(SP_DEVINSTALL_PARAMS_A) == 296,
              "32-bit SP_DEVINSTALL_PARAMS_A");
static_assert(sizeof(SP_DRVINFO_DATA_V1_A) == 780,
              "32-bit SP_DRVINFO_DATA_V1_A");
static_assert(sizeof(SP_DRVINFO_DETAIL_DATA_A) == 797,
              "32-bit SP_DRVINFO_DETAIL_DATA_A");
#endif

#endif  // TOOLS_PLATFORM_PLATFORM_H_
