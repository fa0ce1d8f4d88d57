// The crypt32 and wintrust functions the certificate family calls, looked up at run time
// (certificates.cpp binds them); shared by its two files.
#pragma once

#include "platform/win32/certificates.h"
#include "platform/win32/system_headers.h"

namespace setup::win32 {

struct Win32Certificates::Functions {
  decltype(&::CertOpenStore) openStore;
  decltype(&::CertEnumCertificatesInStore) enumCertificates;
  decltype(&::CertAddCertificateContextToStore) addCertificate;
  decltype(&::CertCloseStore) closeStore;
  decltype(&::CertGetCertificateContextProperty) getProperty;
  decltype(&::CertFindCertificateInStore) findCertificate;
  decltype(&::CertFreeCertificateContext) freeCertificate;
  decltype(&::CertDeleteCertificateFromStore) deleteCertificate;
  decltype(&::CertControlStore) controlStore;
  decltype(&::CertGetNameStringW) getName;
  decltype(&::CertCompareCertificateName) compareNames;
  decltype(&::CryptQueryObject) queryObject;
  decltype(&::CertAddEncodedCertificateToStore) addEncoded;
  decltype(&::CertGetCertificateChain) getChain;
  decltype(&::CertFreeCertificateChain) freeChain;
  decltype(&::WinVerifyTrust) verifyTrust;
  decltype(&::WTHelperProvDataFromStateData) providerData;
  decltype(&::WTHelperGetProvSignerFromChain) providerSigner;
};

// Both encodings a certificate or signed message may come in.
inline constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

inline HCERTSTORE ToStore(StoreHandle store) { return reinterpret_cast<HCERTSTORE>(store); }

}  // namespace setup::win32
