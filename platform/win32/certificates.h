// Certificate stores from a file's bytes and the system's, through the system's crypt32.dll;
// Authenticode signatures through its wintrust.dll.
#pragma once

#include <memory>

#include "platform/certificates.h"

namespace setup::win32 {

class Win32Certificates final : public Certificates {
 public:
  Win32Certificates();
  ~Win32Certificates() override;

  StoreHandle OpenCertificateStore(const std::string& bytes, std::uint32_t& error) override;
  StoreHandle OpenMachineRootStore(std::uint32_t& error) override;
  std::vector<CertificateAddition> AddEveryCertificate(StoreHandle from, StoreHandle to) override;
  std::uint32_t DeleteCertificate(StoreHandle store, const std::u16string& thumbprint) override;
  void CloseStore(StoreHandle store) override;
  Signature VerifySignature(const std::u16string& path, AppendHandle file, std::string_view root,
                            BuiltChain* chain) override;
  bool SameCertificateName(const std::string& a, const std::string& b) override;

 private:
  // CertOpenStore; on failure 0 and the GetLastError code in `error`.
  StoreHandle OpenStore(const char* provider, std::uint32_t flags, const void* parameter,
                        std::uint32_t& error);
  struct Functions;
  static Functions BindFunctions();
  // The SHA-1 hash of a PCCERT_CONTEXT, upper-case hexadecimal; empty when unreadable.
  std::u16string Thumbprint(const void* certificate, unsigned char (&hash)[20]);
  // CertFindCertificateInStore(CERT_FIND_SHA1_HASH) found it.
  bool Holds(StoreHandle store, unsigned char (&hash)[20]);
  // CertGetNameStringW(CERT_NAME_SIMPLE_DISPLAY_TYPE) with its two-call protocol.
  std::u16string DisplayName(const void* certificate);

  // The chain of a CRYPT_PROVIDER_SGNR to `root` (VerifySignature's `root`).
  void BuildChain(const void* signer, std::string_view root, BuiltChain& chain);

  std::unique_ptr<const Functions> functions_;
};

}  // namespace setup::win32
