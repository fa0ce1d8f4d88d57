#include "install/pinned_trust.h"

#include "common/joined_text.h"
#include "common/sha256.h"
#include "install/card_registry.h"
#include "install/install_package.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

// A read at a time: a package of tens of megabytes is never held in memory whole.
constexpr std::uint32_t kChunk = 64u << 10;
// CERT_TRUST_IS_UNTRUSTED_ROOT: the pinned root is in no store of the machine, as expected.
constexpr std::uint32_t kChainUntrustedRoot = 0x20;

char16_t Folded(char16_t unit) { return unit >= u'a' && unit <= u'z' ? unit - 0x20 : unit; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Folded(a[i]) != Folded(b[i])) return false;
  }
  return true;
}

// A certificate file of the start folder itself, by its name.
bool CertificateName(std::u16string_view name) {
  if (name.find(u'\\') != std::u16string_view::npos || name.size() < 4) return false;
  const std::u16string_view type = name.substr(name.size() - 4);
  return SameName(type, u".cer") || SameName(type, u".p7b") || SameName(type, u".crt");
}

const PinnedFile* PinOfDigest(const Pins& pins, std::string_view sha256) {
  for (const PinnedFile& pin : pins.files) {
    if (pin.sha256 == sha256) return &pin;
  }
  return nullptr;
}

}  // namespace

std::u16string TrustLine(const Pins& pins) {
  if (!pins.Pinned()) {
    return Join({"trust: a development build, no pins: setup.exe's own signature decides "
                 "which packages run"});
  }
  Sha256 root;
  root.Update(pins.root);
  return Join({"trust: a release, pinned: packages signed by \"", pins.signer,
               "\" under the root of SHA-256 ", BytesHex(root.Finish()), ", or one of its ",
               DecimalText(static_cast<std::uint32_t>(pins.files.size())),
               " files by their SHA-256"});
}

const PinnedFile* FindPin(const Pins& pins, std::u16string_view name) {
  for (const PinnedFile& pin : pins.files) {
    if (SameName(pin.name, name)) return &pin;
  }
  return nullptr;
}

std::uint32_t PinnedPackageVerdict(const Pins& pins, std::string_view sha256,
                                   const Signature& package, bool sameSubject,
                                   const BuiltChain& chain) {
  if (PinOfDigest(pins, sha256) != nullptr) return kSuccess;
  // The machine need not know the pinned root: its chain is built again below.
  if (package.trust != kSuccess && package.trust != kCertUntrustedRoot &&
      package.trust != kCertChaining) {
    return package.trust;
  }
  if (!package.signerRead || !sameSubject) return kTrustSubjectNotTrusted;
  if ((chain.errors & ~kChainUntrustedRoot) != 0 || chain.end != pins.root) {
    return kCertUntrustedRoot;
  }
  return kSuccess;
}

std::uint32_t ShareFileVerdict(const PinnedFile* pin, bool present, std::string_view sha256) {
  if (pin == nullptr) return present ? kTrustSubjectNotTrusted : kSuccess;
  if (!present) return kErrorFileNotFound;
  return pin->sha256 == sha256 ? kSuccess : kTrustBadDigest;
}

std::uint32_t HashHeldFile(Files& files, AppendHandle file, std::string& sha256,
                           std::string* bytes) {
  Sha256 hash;
  std::string chunk;
  for (std::uint64_t offset = 0;; offset += chunk.size()) {
    if (const std::uint32_t error = files.ReadHeldFile(file, offset, kChunk, chunk); error != 0) {
      return error;
    }
    if (chunk.empty()) break;
    hash.Update(chunk);
    if (bytes != nullptr) bytes->append(chunk);
  }
  sha256 = hash.Finish();
  return kSuccess;
}

std::uint32_t CheckPinnedPackage(RunContext& run, const std::u16string& path) {
  const Pins& pins = *run.publisher.pins;
  const AppendHandle held = run.held.HandleOf(path);
  std::string sha256;
  const std::uint32_t error =
      held == 0 ? kErrorGenFailure : HashHeldFile(run.windows.files, held, sha256);
  if (error != kSuccess) {
    run.reporter.Record({"signature: ", path, " can't be read, error ", HexText(error)});
    return run.reporter.NoteSource(error, "ReadFile (the held package)");
  }
  const bool pinned = PinOfDigest(pins, sha256) != nullptr;
  Signature package;
  BuiltChain chain;
  bool sameSubject = false;
  if (!pinned) {
    // Read through the held handle too, and its chain built on the pinned root alone.
    package = run.windows.certificates.VerifySignature(path, held, pins.root, &chain);
    sameSubject = package.signerRead && run.windows.certificates.SameCertificateName(
                                            package.subject, std::string(pins.subject));
  }
  const std::uint32_t verdict = PinnedPackageVerdict(pins, sha256, package, sameSubject, chain);
  run.reporter.Record(
      {"signature: ", path, ", SHA-256 ", BytesHex(sha256), pinned ? ": pinned" : ", not pinned, ",
       pinned ? u"" : Described(package),
       pinned || chain.end.empty()  ? ""
       : chain.end == pins.root     ? ", its chain ends at the pinned root"
                                    : ", its chain ends at another root",
       pinned ? "" : " (chain errors ", pinned ? u"" : HexText(chain.errors), pinned ? "" : ")",
       "; the pinned publisher \"", pins.signer,
       verdict == kSuccess ? "\": accepted" : "\": refused with ",
       verdict == kSuccess ? u"" : HexText(verdict)});
  return run.reporter.NoteSource(verdict, verdict == package.trust
                                              ? "WinVerifyTrust on the package"
                                              : "the package against the pins of setup.exe");
}

std::uint32_t CheckShareFiles(RunContext& run) {
  const Pins& pins = *run.publisher.pins;
  Windows& windows = run.windows;
  const std::vector<std::u16string>& certificates = run.detected.certificateFiles;
  // The registry files by name, the certificate files as found, then the pinned certificate
  // files not found: each of them must be there.
  std::vector<std::u16string> paths;
  for (const std::u16string& command : CardRegistryCommands(windows.system.IsWow64())) {
    paths.push_back(windows.files.ReadFullPathName(command.substr(command.rfind(u' ') + 1))
                        .value_or(std::u16string()));
  }
  paths.insert(paths.end(), certificates.begin(), certificates.end());
  for (const PinnedFile& pin : pins.files) {
    bool found = false;
    for (const std::u16string& path : certificates) found |= SameName(PackageName(path), pin.name);
    if (CertificateName(pin.name) && !found) {
      paths.push_back(windows.files.ReadFullPathName(std::u16string(pin.name)).value_or(u""));
    }
  }
  run.detected.certificateBytes.resize(certificates.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::u16string name = PackageName(paths[i]);
    const OpenedFile held = windows.files.HoldFile(paths[i]);
    std::string sha256, bytes;
    std::uint32_t error = held.error != kErrorFileNotFound ? held.error : kSuccess;
    if (held.handle != 0) {
      run.held.Keep(held.handle, paths[i]);
      error = HashHeldFile(windows.files, held.handle, sha256, &bytes);
    }
    if (error != kSuccess) {
      run.reporter.Record({"share file ", paths[i], " can't be read, error ", HexText(error)});
      return run.reporter.NoteSource(error, "reading a file of the share");
    }
    const PinnedFile* pin = FindPin(pins, name);
    const std::uint32_t verdict = ShareFileVerdict(pin, held.handle != 0, sha256);
    run.reporter.Record(
        {"share file ", paths[i], held.handle != 0 ? ": SHA-256 " : ": missing",
         BytesHex(sha256), pin != nullptr ? ", pinned " : ", not pinned",
         pin != nullptr ? BytesHex(pin->sha256) : u"",
         verdict == kSuccess ? ": accepted" : ": the run ends with ",
         verdict == kSuccess ? u"" : HexText(verdict)});
    if (verdict != kSuccess) return run.reporter.NoteSource(verdict, "the share against the pins");
    // Imported later from these very bytes.
    if (i >= 2 && i - 2 < certificates.size()) run.detected.certificateBytes[i - 2] = bytes;
  }
  return kSuccess;
}

}  // namespace setup
