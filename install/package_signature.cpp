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
std::u16string Described(const Signature& signature) {
  const std::u16string code = u" (" + HexText(signature.trust) + u")";
  const std::u16string signer = u"signed by \"" + signature.signer + u"\"";
  if (signature.trust == kTrustNoSignature && !Unsigned(signature)) {
    return u"not readable (" + HexText(signature.trust) + u", error " +
           HexText(signature.lastError) + u")";
  }
  if (Unsigned(signature)) {
    return signature.trust == kTrustNoSignature
               ? u"not signed" + code
               : u"signed in an algorithm this Windows does not know" + code;
  }
  switch (signature.trust) {
    case kSuccess:
      return signature.signerRead ? signer : u"signed, its signer unreadable";
    case kTrustBadDigest:
      return (signature.signerRead ? signer : u"signed") + u", but changed since" + code;
    default:
      return (signature.signerRead ? signer + (ChainNotBuilt(signature.trust)
                                                   ? u", its certificate chain not built here"
                                                   : u", but the signature is not valid here")
                                   : u"not verifiable here") +
             code;
  }
}

std::u16string HeaderLine(const Signature& own, const Publisher& publisher) {
  if (publisher.failure != kSuccess) {
    return u"packages: setup.exe is " + Described(own) + u": the run ends with " +
           HexText(publisher.failure) + u" before anything changes";
  }
  if (!publisher.known) return u"packages: not checked, setup.exe is " + Described(own);
  return u"packages: checked, setup.exe is " + Described(own) +
         (publisher.certificate.empty()
              ? u": only packages signed by the same publisher are installed"
              : u": only packages signed by the same certificate (" + publisher.certificate +
                    u") are installed");
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
  // Held before its signature is read: nobody writes, renames or deletes it afterwards.
  const OpenedFile held = windows.files.HoldFile(path);
  if (held.handle == 0) {
    Publisher refused;
    refused.failure = held.error != kSuccess ? held.error : kErrorGenFailure;
    reporter.Record(u"packages: setup.exe's own file " + path + u" can't be held, error " +
                    HexText(refused.failure) + u": the run ends before anything changes");
    reporter.NoteSource(refused.failure, u"CreateFileW (setup.exe's own file)");
    return refused;
  }
  Files& files = windows.files;
  const std::shared_ptr<const void> hold(
      reinterpret_cast<const void*>(held.handle),
      [&files](const void* file) { files.CloseFile(reinterpret_cast<AppendHandle>(file)); });
  const Signature own = windows.certificates.VerifySignature(path);
  Publisher publisher = PublisherOf(own);
  publisher.programFile = hold;
  reporter.Record(HeaderLine(own, publisher));
  if (publisher.failure != kSuccess) {
    const bool verifyTrusts = publisher.failure == own.trust || publisher.failure == own.lastError;
    reporter.NoteSource(publisher.failure, verifyTrusts ? u"WinVerifyTrust on setup.exe"
                                                        : u"the signer of setup.exe's signature");
  }
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
  reporter.Record(
      u"signature: " + path + u" is " + Described(package) + u"; setup.exe is signed by \"" +
      publisher.name + u"\"" + (byCertificate ? u", certificate " + publisher.certificate : u"") +
      u": " +
      (verdict == kSuccess
           ? (byCertificate ? u"the same certificate, accepted" : u"the same publisher, accepted")
           : (signerCompared ? (byCertificate ? u"another certificate, " : u"another publisher, ")
                             : u"") +
                 std::u16string(u"refused with ") + HexText(verdict)));
  return reporter.NoteSource(verdict, signerCompared
                                          ? u"the package's signer compared with setup.exe's"
                                          : u"WinVerifyTrust on the package");
}

}  // namespace setup
