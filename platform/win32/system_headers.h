// The Windows SDK headers as this layer needs them.
#pragma once

// <windows.h> first: the other SDK headers rely on its types.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>
// clang-format on
