// The program's entry point: the real Windows behind the seam, and the run.
#include "app/main_flow.h"
#include "platform/win32/certificates.h"
#include "platform/win32/desktop.h"
#include "platform/win32/files.h"
#include "platform/win32/installer.h"
#include "platform/win32/processes.h"
#include "platform/win32/system.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "platform/windows_constants.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  // Memory running out is the only way the program reaches abort().
  setup::win32::EndAbortWith(setup::kErrorNotEnoughMemory);
  // Before msi.dll and crypt32.dll are loaded, and anything they load in turn.
  setup::win32::RestrictLibrarySearch();
  setup::win32::Win32Installer installer;
  setup::win32::Win32Processes processes;
  setup::win32::Win32Files files;
  setup::win32::Win32Certificates certificates;
  setup::win32::Win32Desktop desktop(instance);
  setup::win32::Win32System system(instance);
  setup::Windows windows{installer, processes, files, certificates, desktop, system};
  return static_cast<int>(setup::RunSetup(windows, setup::win32::FromWide(commandLine)));
}
