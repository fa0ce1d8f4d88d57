// The Windows SDK headers as this layer needs them. The seam's method names
// (MessageBox, GetCurrentDirectory, GetFullPathName, LookupPrivilegeValue, ExitWindows)
// are also A/W macros in these headers; undefining them keeps the overrides spelled as
// the interface spells them.
#pragma once

// <windows.h> first: the other SDK headers rely on its types.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <wincrypt.h>
// clang-format on

#undef MessageBox
#undef GetCurrentDirectory
#undef GetFullPathName
#undef LookupPrivilegeValue
#undef ExitWindows
