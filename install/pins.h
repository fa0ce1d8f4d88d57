// Whom a release trusts, fixed when it is built and carried in the signed program: its
// publisher's subject and root, and the SHA-256 of each file of the share it uses.
// Nothing read at run time adds to them or switches them off.
#pragma once

#include <span>
#include <string_view>

namespace setup {

struct PinnedFile {
  std::u16string_view name;  // a file of the start folder itself ("root.cer"); a package: none
  std::string_view sha256;   // the 32 bytes of its digest
};

struct Pins {
  std::u16string_view signer;  // the publisher's name as shown, for the log
  std::string_view subject;    // the publisher's subject name, as encoded in its certificate
  std::string_view root;       // the root certificate its chain must end at, encoded
  std::span<const PinnedFile> files;
  // A development build carries none, and keeps the rules of setup.exe's own signature.
  // setup.exe knows which it is when it is compiled, and carries the rules of the other
  // kind not at all; the native tests hand in pins or none, row by row.
  bool Pinned() const {
#ifdef SETUP_PINNED
    return SETUP_PINNED;
#else
    return !root.empty();
#endif
  }
};

// What this build carries (cmake/pins.cmake writes it from SETUP_PINS).
const Pins& BuiltInPins();

}  // namespace setup
