#include "install/package_signature.h"

#include "platform/windows_constants.h"

namespace setup {
namespace {

// No signature to hold packages to: WinVerifyTrust finds none (its answer, with one of the
// last errors Microsoft documents for a file that carries none), or the signature is in an
// algorithm this Windows lacks (SHA-256 on Windows 2000).
bool Unsigned(const Signature& signature) {
  if (signature.trust == kTrustNoSignature) {
    return signature.lastError == kTrustNoSignature ||
           signature.lastError == kTrustSubjectFormUnknown ||
           signature.lastError == kTrustProviderUnknown;
  }
  return signature.trust == kBadAlgorithm || signature.trust == kUnknownAlgorithm;
}

// The signature verified, but no chain to a trusted root was built here: an offline
// machine that lacks the root.
bool ChainNotBuilt(std::uint32_t trust) {
  return trust == kCertUntrustedRoot || trust == kCertChaining;
}

// What the log says a file is: signed by whom, or why it has no signature that counts.
constexpr char16_t kNotReadable[] = u"not readable";

std::u16string Described(const Signature& signature) {
  const std::uint32_t trust = signature.trust;
  const bool noSignature = Unsigned(signature);
  const char16_t* what = nullptr;  // nullptr: its signer's name
  if (noSignature) {
    what = trust == kTrustNoSignature ? u"not signed" : u"signed in an unknown algorithm";
  } else if (trust == kTrustNoSignature) {
    what = kNotReadable;
  } else if (!signature.signerRead) {
    what = trust == kSuccess ? u"signed, its signer unreadable" : u"signed";
  }
  std::u16string text = what != nullptr ? what : u"signed by \"" + signature.signer + u"\"";
  if (trust == kSuccess) return text;
  if (trust == kTrustBadDigest) {
    text += u", but changed since";
  } else if (ChainNotBuilt(trust)) {
    text += u", its certificate chain not built here";
  } else if (!noSignature && trust != kTrustNoSignature) {
    text += u", but not valid here";
  }
  // Not readable: the last error, the answer being "no signature".
  return text + u" (" + HexText(what == kNotReadable ? signature.lastError : trust) + u")";
}

// setup.exe's own file, held from before its signature is read to the run's end: what was
// verified stays the file that runs.
struct ProgramFileHold : PerRunState {
  Files* files = nullptr;
  AppendHandle handle = 0;
  ~ProgramFileHold() override {
    if (handle != 0) files->CloseFile(handle);
  }
};

std::u16string HeaderLine(const Signature& own, const Publisher& publisher) {
  std::u16string line = u"packages: ";
  if (publisher.failure == kSuccess) line += publisher.known ? u"checked, " : u"not checked, ";
  line += u"setup.exe is " + Described(own);
  if (publisher.failure != kSuccess) {
    line += u": the run ends with " + HexText(publisher.failure) + u" before anything changes";
  } else if (publisher.known) {
    line += u": only packages signed by the same ";
    line += publisher.certificate.empty() ? u"publisher"
                                          : u"certificate (" + publisher.certificate + u")";
    line += u" are installed";
  }
  return line;
}

}  // namespace

Publisher PublisherOf(const Signature& own) {
  Publisher publisher;
  if (Unsigned(own)) return publisher;
  if (own.trust != kSuccess && !ChainNotBuilt(own.trust)) {
    // A file that can't be read answers "no signature" too; its last error says why.
    publisher.failure =
        own.trust == kTrustNoSignature && own.lastError != kSuccess ? own.lastError : own.trust;
  } else if (!own.signerRead) {
    // Signed, but by nobody this run could compare a package's signer with.
    publisher.failure = kTrustNoSignerCert;
  } else {
    publisher.known = true;
    publisher.subject = own.subject;
    publisher.name = own.signer;
    if (own.trust != kSuccess) publisher.certificate = own.thumbprint;
  }
  return publisher;
}

std::uint32_t PackageVerdict(const Publisher& publisher, const Signature& package,
                             bool sameSubject) {
  const bool byCertificate = !publisher.certificate.empty();
  // Offline, a package's chain fails here as setup.exe's does: its certificate decides.
  if (package.trust != kSuccess && !(byCertificate && ChainNotBuilt(package.trust))) {
    return package.trust;
  }
  const bool same = byCertificate ? package.thumbprint == publisher.certificate : sameSubject;
  if (package.signerRead && same) return kSuccess;
  return package.trust != kSuccess ? package.trust : kTrustSubjectNotTrusted;
}

Publisher ReadOwnPublisher(Windows& windows, Reporter& reporter) {
  const std::u16string path = windows.system.ReadProgramPath();
  // Held before its signature is read: nobody writes, renames or deletes it afterwards. A
  // file that can't be held is one that can't be read.
  const OpenedFile held = windows.files.HoldFile(path);
  // A link at its path is held as the link: what it leads to would go unheld.
  const bool link = (held.attributes & kFileAttributeReparsePoint) != 0;
  Signature own{kTrustNoSignature,
                false,
                {},
                {},
                {},
                link              ? kErrorCantAccessFile
                : held.error != 0 ? held.error
                                  : kErrorGenFailure};
  // Read through the held handle: the very bytes nobody can change any more.
  if (held.handle != 0 && !link) own = windows.certificates.VerifySignature(path, held.handle);
  ProgramFileHold& hold = reporter.PerRun<ProgramFileHold>();
  hold.files = &windows.files;
  hold.handle = held.handle;
  const Publisher publisher = PublisherOf(own);
  reporter.Record(HeaderLine(own, publisher));
  reporter.NoteSource(publisher.failure, held.handle == 0 ? u"CreateFileW (setup.exe's own file)"
                                         : publisher.failure == kTrustNoSignerCert
                                             ? u"the signer of setup.exe's signature"
                                             : u"WinVerifyTrust on setup.exe");
  return publisher;
}

std::uint32_t CheckPackagePublisher(Windows& windows, Reporter& reporter,
                                    const Publisher& publisher, const std::u16string& path) {
  if (!publisher.known) return kSuccess;
  const Signature package = windows.certificates.VerifySignature(path);
  // By subject, not by certificate: a renewed certificate keeps the vendor's name, so a
  // package signed last year still passes.
  const bool sameSubject =
      package.trust == kSuccess && package.signerRead &&
      windows.certificates.SameCertificateName(package.subject, publisher.subject);
  const std::uint32_t verdict = PackageVerdict(publisher, package, sameSubject);
  const bool byCertificate = !publisher.certificate.empty();
  // Whether the verdict is about the signer, the signature itself having passed.
  const bool signerCompared =
      package.trust == kSuccess || (byCertificate && ChainNotBuilt(package.trust));
  const char16_t* const same = byCertificate ? u"certificate" : u"publisher";
  std::u16string line = u"signature: " + path + u" is " + Described(package) +
                        u"; setup.exe is signed by \"" + publisher.name + u"\"";
  if (byCertificate) line += u", certificate " + publisher.certificate;
  if (verdict == kSuccess) {
    line += u": the same " + (same + std::u16string(u", accepted"));
  } else {
    line += u": ";
    if (signerCompared) line += u"another " + (same + std::u16string(u", "));
    line += u"refused with " + HexText(verdict);
  }
  reporter.Record(line);
  return reporter.NoteSource(verdict, signerCompared
                                          ? u"the package's signer compared with setup.exe's"
                                          : u"WinVerifyTrust on the package");
}

}  // namespace setup
