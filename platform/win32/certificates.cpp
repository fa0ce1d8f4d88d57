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
  decltype(&::CertFindCertificateInStore) findCertificate;
  decltype(&::CertFreeCertificateContext) freeCertificate;
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
  functions.findCertificate =
      FindFunction<decltype(functions.findCertificate)>(crypt32, "CertFindCertificateInStore");
  functions.freeCertificate =
      FindFunction<decltype(functions.freeCertificate)>(crypt32, "CertFreeCertificateContext");
  return functions;
}

Win32Certificates::Win32Certificates()
    : functions_(std::make_unique<const Functions>(BindFunctions())) {}

Win32Certificates::~Win32Certificates() = default;

StoreHandle Win32Certificates::OpenStore(const char* provider, std::uint32_t flags,
                                          const void* parameter, std::uint32_t& error) {
  if (functions_->openStore == nullptr) {
    error = ERROR_PROC_NOT_FOUND;
    return 0;
  }
  const HCERTSTORE store = functions_->openStore(provider, kEncoding, 0, flags, parameter);
  if (store == nullptr) error = ::GetLastError();
  return FromStore(store);
}

StoreHandle Win32Certificates::OpenFileStore(const std::u16string& path, std::uint32_t& error) {
  return OpenStore(CERT_STORE_PROV_FILENAME_W, 0, Wide(path), error);
}

StoreHandle Win32Certificates::OpenMachineRootStore(std::uint32_t& error) {
  return OpenStore(CERT_STORE_PROV_SYSTEM_W, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root", error);
}

bool Win32Certificates::Holds(StoreHandle store, unsigned char (&hash)[20]) {
  if (functions_->findCertificate == nullptr || functions_->freeCertificate == nullptr) {
    return false;
  }
  CRYPT_HASH_BLOB blob{sizeof(hash), hash};
  const PCCERT_CONTEXT found = functions_->findCertificate(ToStore(store), kEncoding, 0,
                                                           CERT_FIND_SHA1_HASH, &blob, nullptr);
  if (found == nullptr) return false;
  functions_->freeCertificate(found);
  return true;
}

std::u16string Win32Certificates::Thumbprint(const void* certificate, unsigned char (&hash)[20]) {
  DWORD size = sizeof(hash);
  if (functions_->getProperty == nullptr ||
      !functions_->getProperty(static_cast<PCCERT_CONTEXT>(certificate), CERT_SHA1_HASH_PROP_ID,
                               hash, &size) ||
      size != sizeof(hash)) {
    return {};
  }
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string text;
  for (DWORD i = 0; i < size; ++i) {
    text.push_back(kDigits[hash[i] >> 4]);
    text.push_back(kDigits[hash[i] & 15]);
  }
  return text;
}

std::vector<CertificateAddition> Win32Certificates::AddEveryCertificate(StoreHandle from,
                                                                        StoreHandle to) {
  std::vector<CertificateAddition> additions;
  if (functions_->enumCertificates == nullptr || functions_->addCertificate == nullptr) {
    return additions;
  }
  // Handing each context back to the enumeration releases it; the walk ends on null.
  PCCERT_CONTEXT certificate = nullptr;
  while ((certificate = functions_->enumCertificates(ToStore(from), certificate)) != nullptr) {
    unsigned char hash[20] = {};
    CertificateAddition addition;
    addition.thumbprint = Thumbprint(certificate, hash);
    addition.alreadyPresent = !addition.thumbprint.empty() && Holds(to, hash);
    if (addition.thumbprint.empty()) addition.thumbprint = u"(thumbprint unreadable)";
    if (!functions_->addCertificate(ToStore(to), certificate, CERT_STORE_ADD_ALWAYS, nullptr)) {
      const DWORD error = ::GetLastError();
      addition.error = error != ERROR_SUCCESS ? error : static_cast<DWORD>(ERROR_GEN_FAILURE);
    }
    additions.push_back(std::move(addition));
  }
  return additions;
}

void Win32Certificates::CloseStore(StoreHandle store) {
  if (functions_->closeStore != nullptr) functions_->closeStore(ToStore(store), 0);
}

}  // namespace setup::win32
