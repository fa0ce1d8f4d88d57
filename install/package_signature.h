// Packages from setup.exe's own publisher only: whoever can write to the distribution
// share must not choose what an administrator's run installs.
#pragma once

#include <cstdint>
#include <string>

#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// setup.exe's own signer, whose packages alone a run installs. Not `known`: setup.exe
// carries no signature this Windows can verify, and packages go to msiexec unchecked.
struct Publisher {
  bool known = false;
  std::string subject;  // as encoded in the certificate
  std::u16string name;
};

// setup.exe's signature: the publisher when it is valid and names its signer.
Publisher PublisherOf(const Signature& own);

// A package's verdict: 0 to install it, else the code its flow fails with. A valid
// signature of another subject, or of a signer that can't be read, is another publisher's.
std::uint32_t PackageVerdict(const Signature& package, bool sameSubject);

// Reads setup.exe's own signature; the log's header says whether packages are checked.
Publisher ReadOwnPublisher(Windows& windows, Reporter& reporter);

// Checks the package at `path`, the very file msiexec is then given, against the
// publisher: 0 to go on, else the code. Recorded with both signers and the verdict.
std::uint32_t CheckPackagePublisher(Windows& windows, Reporter& reporter,
                                    const Publisher& publisher, const std::u16string& path);

}  // namespace setup
