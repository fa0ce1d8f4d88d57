#include "install/package_signature.h"

#include "platform/windows_constants.h"

namespace setup {
namespace {

// What the log says a file is: signed by whom, or why it has no signature that counts.
std::u16string Described(const Signature& signature) {
  const std::u16string code = u" (" + HexText(signature.trust) + u")";
  const std::u16string signer = u"signed by \"" + signature.signer + u"\"";
  switch (signature.trust) {
    case kSuccess:
      return signature.signerRead ? signer : u"signed, its signer unreadable";
    case kTrustNoSignature:
      return u"not signed" + code;
    case kTrustBadDigest:
      return (signature.signerRead ? signer : u"signed") + u", but changed since" + code;
    default:
      return (signature.signerRead ? signer + u", but the signature is not valid here"
                                   : u"not verifiable here") +
             code;
  }
}

}  // namespace

Publisher PublisherOf(const Signature& own) {
  if (own.trust != kSuccess || !own.signerRead) return {};
  return {true, own.subject, own.signer};
}

std::uint32_t PackageVerdict(const Signature& package, bool sameSubject) {
  if (package.trust != kSuccess) return package.trust;
  return package.signerRead && sameSubject ? kSuccess : kTrustSubjectNotTrusted;
}

Publisher ReadOwnPublisher(Windows& windows, Reporter& reporter) {
  const Signature own = windows.certificates.VerifySignature(windows.system.ReadProgramPath());
  const Publisher publisher = PublisherOf(own);
  // A build from source, or a Windows without SHA-256 signatures (2000): as before, no check.
  reporter.Record(publisher.known
                      ? u"packages: checked, setup.exe is " + Described(own) +
                            u": only packages signed by the same publisher are installed"
                      : u"packages: not checked, setup.exe is " + Described(own));
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
  const std::uint32_t verdict = PackageVerdict(package, sameSubject);
  reporter.Record(u"signature: " + path + u" is " + Described(package) +
                  u"; setup.exe is signed by \"" + publisher.name + u"\": " +
                  (verdict == kSuccess
                       ? u"the same publisher, accepted"
                       : (package.trust == kSuccess ? u"another publisher, " : u"") +
                             std::u16string(u"refused with ") + HexText(verdict)));
  return reporter.NoteSource(verdict, package.trust != kSuccess
                                          ? u"WinVerifyTrust on the package"
                                          : u"the package's signer compared with setup.exe's");
}

}  // namespace setup
