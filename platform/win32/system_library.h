// Loading system DLLs so that a copy planted beside the program is never used instead.
// A setup program usually runs from a download folder, which is searched before the
// system folder for any DLL that is not on the system's list of known DLLs (msi.dll and
// crypt32.dll are not); those DLLs are therefore loaded by full path here, and every
// function that the oldest supported Windows may lack is looked up by name.
#pragma once

#include "platform/win32/system_headers.h"

namespace setup::win32 {

// Takes the program's folder and the current folder out of the DLL search for every
// later load, where the system offers a way to (SetDefaultDllDirectories, SetDllDirectoryW).
void RestrictLibrarySearch();

// The DLL `name` from the system folder, loaded for the rest of the process; null when
// it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The common controls of the program's manifest (version 6) where the system resolves
// DLLs through manifests, which it does before it looks beside the program; the system
// folder's copy by full path on Windows 2000, which has no such resolution.
HMODULE LoadCommonControls();

// GetProcAddress typed as the function it finds; null when the module or the export is
// missing.
template <typename Function>
Function FindFunction(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace setup::win32
