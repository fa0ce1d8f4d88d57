// The seam's certificate family: Authenticode signatures and the certificate stores.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace setup {

// Certificate store handles; 0 is no store.
using StoreHandle = std::uintptr_t;

struct CertificateAddition {
  std::u16string thumbprint;  // SHA-1 (CERT_SHA1_HASH_PROP_ID), upper-case hexadecimal;
                              // empty when it can't be read
  bool alreadyPresent = false;
  std::uint32_t error = 0;  // the addition's GetLastError code; 0: added
};

// A file's Authenticode signature, as WinVerifyTrust judged it.
struct Signature {
  std::uint32_t trust = 0;  // its answer: 0 for a valid signature, else a TRUST_E_ or CERT_E_ code
  bool signerRead = false;  // the signer's certificate was there, its hash read
  std::string subject;      // its subject name as encoded in the certificate
  std::u16string signer;    // its subject as shown (CERT_NAME_SIMPLE_DISPLAY_TYPE)
  std::u16string thumbprint;    // SHA-1 of the encoded certificate, upper-case hexadecimal
  std::uint32_t lastError = 0;  // GetLastError right after it: why there is no signature
};

// A signer's chain built again with a root of the caller's as an extra store, at the time its
// signature's time stamp gives.
struct BuiltChain {
  std::uint32_t errors = ~0u;  // CERT_TRUST_STATUS's error flags; every bit: not built
  std::string end;             // its last certificate, encoded
};

class Certificates {
 public:
  virtual ~Certificates() = default;
  // WinVerifyTrust(WINTRUST_ACTION_GENERIC_VERIFY_V2) of the file with no UI, no revocation
  // check and no URL fetched, the signer's certificate from WTHelperProvDataFromStateData and
  // WTHelperGetProvSignerFromChain (its hash: CertGetCertificateContextProperty(
  // CERT_SHA1_HASH_PROP_ID)), then the state closed. With `file`, a handle of that file open
  // for reading, WinVerifyTrust reads through it instead of opening the path again. With
  // `chain`, CertGetCertificateChain(the signer, its signature's time, an extra store of
  // `root` and the certificates WinVerifyTrust found) before the state is closed.
  virtual Signature VerifySignature(const std::u16string& path, AppendHandle file = 0,
                                    std::string_view root = {}, BuiltChain* chain = nullptr) = 0;
  // CertCompareCertificateName(X509 | PKCS_7, a, b).
  virtual bool SameCertificateName(const std::string& a, const std::string& b) = 0;
  // CryptQueryObject(CERT_QUERY_OBJECT_BLOB, bytes, a certificate, a PKCS #7 message or a
  // serialized store, binary or Base64) and the store it gives; on failure 0 and the
  // GetLastError code in `error`.
  virtual StoreHandle OpenCertificateStore(const std::string& bytes, std::uint32_t& error) = 0;
  // CertOpenStore(CERT_STORE_PROV_SYSTEM_W, X509 | PKCS_7, 0,
  // CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root"); on failure 0 and the code in `error`.
  virtual StoreHandle OpenMachineRootStore(std::uint32_t& error) = 0;
  // CertEnumCertificatesInStore over `from`; for each context CertFindCertificateInStore
  // (CERT_FIND_SHA1_HASH) in `to`, then CertAddCertificateContextToStore(
  // CERT_STORE_ADD_ALWAYS) into `to`: what became of each, in the file's order.
  virtual std::vector<CertificateAddition> AddEveryCertificate(StoreHandle from,
                                                               StoreHandle to) = 0;
  // CertFindCertificateInStore(CERT_FIND_SHA1_HASH) of the thumbprint (40 hexadecimal
  // digits, else ERROR_INVALID_PARAMETER), CertDeleteCertificateFromStore, then
  // CertControlStore(CERT_STORE_CTRL_COMMIT): 0, or the GetLastError code (CRYPT_E_NOT_FOUND:
  // the store has no such certificate).
  virtual std::uint32_t DeleteCertificate(StoreHandle store, const std::u16string& thumbprint) = 0;
  // CertCloseStore(store, 0).
  virtual void CloseStore(StoreHandle store) = 0;
};

}  // namespace setup
