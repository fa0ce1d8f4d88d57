// Every certificate file of the start folder into the machine's trusted root store.
#pragma once

#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// "*.cer", then "*.p7b", then "*.crt", each file's certificates added to the machine
// "Root" store. Nothing is shown: a file that can't be used is skipped (and recorded).
void ImportRootCertificates(Windows& windows, Reporter& reporter);

}  // namespace setup
