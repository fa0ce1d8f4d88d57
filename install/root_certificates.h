// The start folder's certificate files, put into the machine's trusted root store.
#pragma once

#include <string>
#include <vector>

#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// "*.cer", then "*.p7b", then "*.crt" of the start folder, files only, each by its full
// path, listed before the first change so that the plan names each one. 0, or 206 for a
// file whose full path can't be made within 260 characters: a root left out would
// otherwise pass unnoticed.
std::uint32_t FindCertificateFiles(Windows& windows, Reporter& reporter,
                                   std::vector<std::u16string>& paths);

// One file read whole (at most 4 MiB) and the certificates of those bytes added to the
// machine "Root" store. Nothing is shown. Bytes that hold no certificate are skipped (and
// recorded); a file that can't be read, a Root store that can't be opened or a certificate
// it does not take is a failure: the first such code is returned, and the file's other
// certificates are still tried. With `checked`, those bytes, read and hashed already.
std::uint32_t ImportCertificateFile(Windows& windows, Reporter& reporter,
                                    const std::u16string& path,
                                    const std::string* checked = nullptr);

}  // namespace setup
