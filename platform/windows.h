// The seam between the program's decisions and Windows: one small interface per
// platform family, gathered in `Windows`. Each method is one platform call or idiom
// and decides nothing; platform/win32/ implements them, tests/support/ fakes them.
#pragma once

#include "platform/certificates.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/installer.h"
#include "platform/processes.h"
#include "platform/system.h"

namespace setup {

// Everything the program asks of Windows, handed by reference to the flows.
struct Windows {
  Installer& installer;
  Processes& processes;
  Files& files;
  Certificates& certificates;
  Desktop& desktop;
  System& system;
};

}  // namespace setup
