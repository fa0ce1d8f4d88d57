// Packages from setup.exe's own publisher only: whoever can write to the distribution
// share must not choose what an administrator's run installs.
#pragma once

#include <cstdint>
#include <string>

#include "common/held_files.h"
#include "install/pins.h"
#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// setup.exe's own signer, whose packages alone a run installs. Not `known`: setup.exe
// carries no signature, or one in an algorithm this Windows does not know, and packages
// go to msiexec unchecked; with `failure` set, the run must end with that code instead.
struct Publisher {
  bool known = false;
  std::string subject;  // as encoded in the certificate
  std::u16string name;
  // Not empty: setup.exe's certificate chain is not built on this machine (offline, its
  // root missing); only a package signed by this very certificate (its SHA-1 hash) passes.
  std::u16string certificate;
  // Not 0: setup.exe's own signature or file failed; nothing may change.
  std::uint32_t failure = 0;
  // A release's pins, which alone decide instead (install/pinned_trust.h) when there are any.
  const Pins* pins = &BuiltInPins();
};

// What the log says a file is: signed by whom, or why it has no signature that counts.
std::u16string Described(const Signature& signature);

// What setup.exe's own signature makes of the run (the file not held by it).
Publisher PublisherOf(const Signature& own);

// A package's verdict: 0 to install it, else the code its flow fails with. A valid
// signature of another subject, or of a signer that can't be read, is another publisher's;
// with `publisher.certificate`, only that certificate counts.
std::uint32_t PackageVerdict(const Publisher& publisher, const Signature& package,
                             bool sameSubject);

// Holds setup.exe's own file (shared for reading only) in `held`, then reads its signature;
// the log's header says whether and how packages are checked, or why the run ends.
Publisher ReadOwnPublisher(Windows& windows, Reporter& reporter, HeldFiles& held);

// Checks the package at `path`, the very file msiexec is then given, against the
// publisher: 0 to go on, else the code. Recorded with both signers and the verdict.
std::uint32_t CheckPackagePublisher(Windows& windows, Reporter& reporter,
                                    const Publisher& publisher, const std::u16string& path);

}  // namespace setup
