#include "install/package_signature.h"

#include "common/joined_text.h"
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

}  // namespace

std::u16string Described(const Signature& signature) {
  const std::uint32_t trust = signature.trust;
  const bool noSignature = Unsigned(signature);
  const bool notReadable = !noSignature && trust == kTrustNoSignature;
  const char* what = nullptr;  // nullptr: its signer's name
  if (noSignature) {
    what = trust == kTrustNoSignature ? "not signed" : "signed in an unknown algorithm";
  } else if (notReadable) {
    what = "not readable";
  } else if (!signature.signerRead) {
    what = trust == kSuccess ? "signed, its signer unreadable" : "signed";
  }
  const char* why = trust == kSuccess || noSignature || notReadable ? ""
                    : trust == kTrustBadDigest                      ? ", but changed since"
                    : ChainNotBuilt(trust) ? ", its certificate chain not built here"
                                           : ", but not valid here";
  // Not readable: the last error, the answer being "no signature".
  return Join({what != nullptr ? Piece(what) : Piece(u"signed by \""),
               what != nullptr ? u"" : signature.signer, what != nullptr ? "" : "\"", why,
               trust == kSuccess ? "" : " (",
               trust == kSuccess ? Piece(u"") : Hex(notReadable ? signature.lastError : trust),
               trust == kSuccess ? "" : ")"});
}

namespace {

std::u16string HeaderLine(const Signature& own, const Publisher& publisher) {
  const bool failed = publisher.failure != kSuccess;
  const bool byCertificate = !publisher.certificate.empty();
  return Join({"packages: ",
               failed            ? ""
               : publisher.known ? "checked, "
                                 : "not checked, ",
               "setup.exe is ", Described(own),
               failed             ? ": the run ends with "
               : !publisher.known ? ""
               : byCertificate    ? ": only packages signed by the same certificate ("
                                  : ": only packages signed by the same publisher",
               failed ? Hex(publisher.failure) : Piece(publisher.certificate),
               failed             ? " before anything changes"
               : !publisher.known ? ""
               : byCertificate    ? ") are installed"
                                  : " are installed"});
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

Publisher ReadOwnPublisher(Windows& windows, Reporter& reporter, HeldFiles& heldFiles) {
  const std::u16string path = windows.system.ReadProgramPath();
  // Held before its signature is read, until the run ends: nobody writes, renames or
  // deletes it afterwards. A file that can't be held is one that can't be read.
  const OpenedFile held = windows.files.HoldFile(path);
  Signature own{
      kTrustNoSignature, false, {}, {}, {}, held.error != 0 ? held.error : kErrorGenFailure};
  if (held.handle != 0) {
    heldFiles.Keep(held.handle);
    // Read through the held handle: the very bytes nobody can change any more.
    own = windows.certificates.VerifySignature(path, held.handle);
  }
  const Publisher publisher = PublisherOf(own);
  reporter.Record(HeaderLine(own, publisher));
  reporter.NoteSource(publisher.failure, held.handle == 0 ? "CreateFileW (setup.exe's own file)"
                                         : publisher.failure == kTrustNoSignerCert
                                             ? "the signer of setup.exe's signature"
                                             : "WinVerifyTrust on setup.exe");
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
  const char* const same = byCertificate ? "certificate" : "publisher";
  reporter.Record({"signature: ", path, " is ", Described(package), "; setup.exe is signed by \"",
                   publisher.name, byCertificate ? "\", certificate " : "\"", publisher.certificate,
                   verdict == kSuccess ? ": the same "
                   : signerCompared    ? ": another "
                                       : ": ",
                   verdict == kSuccess || signerCompared ? same : "",
                   verdict == kSuccess ? ", accepted"
                   : signerCompared    ? ", refused with "
                                       : "refused with ",
                   verdict == kSuccess ? Piece(u"") : Hex(verdict)});
  return reporter.NoteSource(verdict, signerCompared
                                          ? "the package's signer compared with setup.exe's"
                                          : "WinVerifyTrust on the package");
}

}  // namespace setup
