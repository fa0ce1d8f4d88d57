#include "platform/win32/certificates.h"

#include "platform/win32/system_headers.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"

namespace setup::win32 {

struct Win32Certificates::Functions {
  decltype(&::CertOpenStore) openStore;
  decltype(&::CertEnumCertificatesInStore) enumCertificates;
  decltype(&::CertAddCertificateContextToStore) addCertificate;
  decltype(&::CertCloseStore) closeStore;
  decltype(&::CertGetCertificateContextProperty) getProperty;
};

namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

HCERTSTORE ToStore(StoreHandle store) { return reinterpret_cast<HCERTSTORE>(store); }

StoreHandle FromStore(HCERTSTORE store) { return reinterpret_cast<StoreHandle>(store); }

}  // namespace

Win32Certificates::Functions Win32Certificates::BindFunctions() {
  const HMODULE crypt32 = LoadSystemLibrary(L"crypt32.dll");
  Functions functions{};
  functions.openStore = FindFunction<decltype(functions.openStore)>(crypt32, "CertOpenStore");
  functions.enumCertificates =
      FindFunction<decltype(functions.enumCertificates)>(crypt32, "CertEnumCertificatesInStore");
  functions.addCertificate =
      FindFunction<decltype(functions.addCertificate)>(crypt32, "CertAddCertificateContextToStore");
  functions.closeStore = FindFunction<decltype(functions.closeStore)>(crypt32, "CertCloseStore");
  functions.getProperty =
      FindFunction<decltype(functions.getProperty)>(crypt32, "CertGetCertificateContextProperty");
  return functions;
}

Win32Certificates::Win32Certificates()
    : functions_(std::make_unique<const Functions>(BindFunctions())) {}

Win32Certificates::~Win32Certificates() = default;

StoreHandle Win32Certificates::OpenFileStore(const std::u16string& path) {
  if (functions_->openStore == nullptr) return 0;
  return FromStore(functions_->openStore(CERT_STORE_PROV_FILENAME_W, kEncoding, 0, 0, Wide(path)));
}

StoreHandle Win32Certificates::OpenMachineRootStore() {
  if (functions_->openStore == nullptr) return 0;
  return FromStore(functions_->openStore(CERT_STORE_PROV_SYSTEM_W, kEncoding, 0,
                                         CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root"));
}

std::u16string Win32Certificates::Thumbprint(const void* certificate) {
  BYTE hash[20] = {};
  DWORD size = sizeof(hash);
  if (functions_->getProperty == nullptr ||
      !functions_->getProperty(static_cast<PCCERT_CONTEXT>(certificate), CERT_SHA1_HASH_PROP_ID,
                               hash, &size)) {
    return u"(thumbprint unreadable)";
  }
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string text;
  for (DWORD i = 0; i < size; ++i) {
    text.push_back(kDigits[hash[i] >> 4]);
    text.push_back(kDigits[hash[i] & 15]);
  }
  return text;
}

std::vector<std::u16string> Win32Certificates::AddEveryCertificate(StoreHandle from,
                                                                   StoreHandle to) {
  std::vector<std::u16string> added;
  if (functions_->enumCertificates == nullptr || functions_->addCertificate == nullptr) {
    return added;
  }
  // Handing each context back to the enumeration releases it; the walk ends on null.
  PCCERT_CONTEXT certificate = nullptr;
  while ((certificate = functions_->enumCertificates(ToStore(from), certificate)) != nullptr) {
    if (functions_->addCertificate(ToStore(to), certificate, CERT_STORE_ADD_ALWAYS, nullptr)) {
      added.push_back(Thumbprint(certificate));
    }
  }
  return added;
}

void Win32Certificates::CloseStore(StoreHandle store) {
  if (functions_->closeStore != nullptr) functions_->closeStore(ToStore(store), 0);
}

}  // namespace setup::win32
