// Every certificate file of the start folder into the machine's trusted root store.
#pragma once

#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// "*.cer", then "*.p7b", then "*.crt", each file read whole (at most 4 MiB) and the
// certificates of those bytes added to the machine "Root" store. Nothing is shown. Bytes
// that hold no certificate are skipped (and recorded); a file that can't be read, a Root
// store that can't be opened or a certificate it does not take is a failure: the first
// such code is returned, and the other files and certificates are still tried.
std::uint32_t ImportRootCertificates(Windows& windows, Reporter& reporter);

}  // namespace setup
