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

// A certificate file's name.
bool CertificateName(std::u16string_view name) {
  for (const char16_t* type : {u".cer", u".p7b", u".crt"}) {
    if (name.size() >= 4 && SameName(name.substr(name.size() - 4), type)) return true;
  }
  return false;
}

const PinnedFile* PinOfDigest(const Pins& pins, std::string_view sha256) {
  for (const PinnedFile& pin : pins.files) {
    if (pin.sha256 == sha256) return &pin;
  }
  return nullptr;
}

// One file's line in the log: its digest and its pin, why, and the verdict, the code noted.
std::uint32_t Recorded(Reporter& reporter, const std::u16string& path, std::uint32_t verdict,
                       std::string_view sha256, const PinnedFile* pin, const std::u16string& why) {
  reporter.Record({"pins: ", path, sha256.empty() ? ", not read" : ", SHA-256 ", BytesHex(sha256),
                   pin != nullptr ? ", pinned " : ", not pinned",
                   pin != nullptr ? BytesHex(pin->sha256) : u"", why,
                   verdict == kSuccess ? ": accepted" : ": refused with ",
                   verdict == kSuccess ? Piece(u"") : Hex(verdict)});
  return reporter.NoteSource(verdict, "the pins of setup.exe");
}

}  // namespace

std::u16string TrustLine(const Pins& pins) {
  if (!pins.Pinned()) {
    return Join({"trust: a development build, no pins"});
  }
  Sha256 root;
  root.Update(pins.root);
  return Join({"trust: a release, pinned: packages signed by \"", pins.signer,
               "\" under the root of SHA-256 ", BytesHex(root.Finish()), ", or one of its ",
               Decimal(static_cast<std::uint32_t>(pins.files.size())),
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
  std::string piece;
  for (std::uint64_t offset = 0;; offset += piece.size()) {
    const std::uint32_t error = files.ReadFileChunk(file, offset, kChunk, piece);
    if (error != kSuccess) return error;
    if (piece.empty()) break;
    hash.Update(piece);
    if (bytes != nullptr) bytes->append(piece);
  }
  sha256 = hash.Finish();
  return kSuccess;
}

std::uint32_t CheckPinnedPackage(RunContext& run, const std::u16string& path,
                                 const std::u16string& source) {
  const Pins& pins = *run.publisher.pins;
  // The copy's bytes are those of the share's file it was made from, held since.
  const AppendHandle held = run.held.Find(source.empty() ? path : source);
  std::string sha256;
  std::uint32_t error =
      held == 0 ? kErrorGenFailure : HashHeldFile(run.windows.files, held, sha256);
  const PinnedFile* pin = PinOfDigest(pins, sha256);
  Signature package;
  BuiltChain chain;
  std::u16string signature;
  if (error == kSuccess && pin == nullptr) {
    // Read through the held handle too, and its chain built on the pinned root alone.
    package = run.windows.certificates.VerifySignature(path, held, pins.root, &chain);
    const bool sameSubject = package.signerRead && run.windows.certificates.SameCertificateName(
                                                       package.subject, std::string(pins.subject));
    error = PinnedPackageVerdict(pins, sha256, package, sameSubject, chain);
    signature = Join({"; ", Described(package),
                      chain.end == pins.root ? ", its chain ends at " : ", its chain misses ",
                      "the pinned root, errors ", Hex(chain.errors)});
  }
  return Recorded(run.reporter, path, error, sha256, pin, signature);
}

std::uint32_t CheckShareFiles(RunContext& run) {
  const Pins& pins = *run.publisher.pins;
  Files& files = run.windows.files;
  Detected& detected = run.detected;
  std::uint32_t code = kSuccess;
  const auto check = [&](const std::u16string& path, std::string* bytes) {
    if (code != kSuccess) return;
    const OpenedFile held = files.HoldFile(path);
    std::string sha256;
    code = held.error == kErrorFileNotFound ? kSuccess : held.error;
    if (held.handle != 0) {
      run.held.Keep(held.handle, path);
      code = HashHeldFile(files, held.handle, sha256, bytes);
    }
    const PinnedFile* pin = FindPin(pins, PackageName(path));
    if (code == kSuccess) code = ShareFileVerdict(pin, held.handle != 0, sha256);
    Recorded(run.reporter, path, code, sha256, pin, {});
  };
  // By name, as regedit and regini are given them, from the start folder.
  for (const auto& [tool, name] : CardRegistryFiles(run.windows.system.IsWow64())) {
    check(run.windows.files.ReadFullPathName(name).value_or(name), nullptr);
  }
  // Imported later from the very bytes hashed here.
  detected.certificateBytes.resize(detected.certificateFiles.size());
  for (std::size_t i = 0; i < detected.certificateFiles.size(); ++i) {
    check(detected.certificateFiles[i], &detected.certificateBytes[i]);
  }
  // A pinned certificate file that is not there: a root the release relies on is missing.
  for (const PinnedFile& pin : pins.files) {
    bool found = !CertificateName(pin.name);
    for (const std::u16string& path : detected.certificateFiles) {
      found |= SameName(PackageName(path), pin.name);
    }
    if (!found) check(std::u16string(pin.name), nullptr);
  }
  return code;
}

}  // namespace setup
