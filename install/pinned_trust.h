// A release trusts its pins alone: a package runs when it is one of the vendor's very files,
// or signed by the pinned publisher under the pinned root; the share's registry, access-list
// and certificate files must be the pinned ones. setup.exe's own signature, the machine's
// Root store and the share's certificates decide nothing here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "install/pins.h"
#include "install/run_context.h"

namespace setup {

// The log header's line on whom this build trusts: its pins, or none (a development build).
std::u16string TrustLine(const Pins& pins);

// The pin of that name (letters compared without case, as Windows names files); nullptr: none.
const PinnedFile* FindPin(const Pins& pins, std::u16string_view name);

// A package's verdict: 0 when its SHA-256 is pinned, or when its signature is valid (its
// chain may end in a root this machine lacks), its signer has the pinned subject and its
// chain, built again on the pinned root, ends at that root with no other fault; else the code.
std::uint32_t PinnedPackageVerdict(const Pins& pins, std::string_view sha256,
                                   const Signature& package, bool sameSubject,
                                   const BuiltChain& chain);

// A share file's verdict: a pinned one missing 2, changed TRUST_E_BAD_DIGEST; one present but
// not pinned TRUST_E_SUBJECT_NOT_TRUSTED; else 0.
std::uint32_t ShareFileVerdict(const PinnedFile* pin, bool present, std::string_view sha256);

// The SHA-256 of a held file, read through its handle; with `bytes`, what was read too.
std::uint32_t HashHeldFile(Files& files, AppendHandle file, std::string& sha256,
                           std::string* bytes = nullptr);

// The package at `path` (the run's copy of `source`, if not empty), held by the run, against
// the pins: 0 or the code, recorded.
std::uint32_t CheckPinnedPackage(RunContext& run, const std::u16string& path,
                                 const std::u16string& source);

// With -ucsp, before the first change: this Windows' registry and access-list files and every
// certificate file of the start folder, held, hashed and compared with the pins; the bytes of
// each certificate file kept for its import. 0 or the code, each file recorded.
std::uint32_t CheckShareFiles(RunContext& run);

}  // namespace setup
