#include "platform/win32/certificates.h"

#include "platform/win32/certificate_functions.h"

#include "platform/win32/system_headers.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"

namespace setup::win32 {


namespace {

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
  functions.deleteCertificate = FindFunction<decltype(functions.deleteCertificate)>(
      crypt32, "CertDeleteCertificateFromStore");
  functions.controlStore =
      FindFunction<decltype(functions.controlStore)>(crypt32, "CertControlStore");
  functions.getName = FindFunction<decltype(functions.getName)>(crypt32, "CertGetNameStringW");
  functions.compareNames =
      FindFunction<decltype(functions.compareNames)>(crypt32, "CertCompareCertificateName");
  functions.queryObject =
      FindFunction<decltype(functions.queryObject)>(crypt32, "CryptQueryObject");
  functions.addEncoded = FindFunction<decltype(functions.addEncoded)>(
      crypt32, "CertAddEncodedCertificateToStore");
  functions.getChain =
      FindFunction<decltype(functions.getChain)>(crypt32, "CertGetCertificateChain");
  functions.freeChain =
      FindFunction<decltype(functions.freeChain)>(crypt32, "CertFreeCertificateChain");
  const HMODULE wintrust = LoadSystemLibrary(L"wintrust.dll");
  functions.verifyTrust = FindFunction<decltype(functions.verifyTrust)>(wintrust, "WinVerifyTrust");
  functions.providerData =
      FindFunction<decltype(functions.providerData)>(wintrust, "WTHelperProvDataFromStateData");
  functions.providerSigner =
      FindFunction<decltype(functions.providerSigner)>(wintrust, "WTHelperGetProvSignerFromChain");
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

StoreHandle Win32Certificates::OpenCertificateStore(const std::string& bytes,
                                                    std::uint32_t& error) {
  if (functions_->queryObject == nullptr) {
    error = ERROR_PROC_NOT_FOUND;
    return 0;
  }
  // The bytes are only read; the structure wants them writable.
  CERT_BLOB blob{static_cast<DWORD>(bytes.size()),
                 reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()))};
  HCERTSTORE store = nullptr;
  // What a certificate file may hold: one certificate, a PKCS #7 bundle or a serialized
  // store, in binary or in Base64 with or without its PEM lines.
  constexpr DWORD kContents = CERT_QUERY_CONTENT_FLAG_CERT | CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED |
                              CERT_QUERY_CONTENT_FLAG_SERIALIZED_STORE;
  if (!functions_->queryObject(CERT_QUERY_OBJECT_BLOB, &blob, kContents, CERT_QUERY_FORMAT_FLAG_ALL,
                               0, nullptr, nullptr, nullptr, &store, nullptr, nullptr)) {
    error = ::GetLastError();
    return 0;
  }
  return FromStore(store);
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
    if (!functions_->addCertificate(ToStore(to), certificate, CERT_STORE_ADD_ALWAYS, nullptr)) {
      const DWORD error = ::GetLastError();
      addition.error = error != ERROR_SUCCESS ? error : static_cast<DWORD>(ERROR_GEN_FAILURE);
    }
    additions.push_back(std::move(addition));
  }
  return additions;
}

std::uint32_t Win32Certificates::DeleteCertificate(StoreHandle store,
                                                   const std::u16string& thumbprint) {
  unsigned char hash[20] = {};
  const auto digit = [](char16_t unit) {
    return unit >= u'0' && unit <= u'9'   ? unit - u'0'
           : unit >= u'A' && unit <= u'F' ? unit - u'A' + 10
           : unit >= u'a' && unit <= u'f' ? unit - u'a' + 10
                                          : -1;
  };
  if (thumbprint.size() != 2 * sizeof(hash)) return ERROR_INVALID_PARAMETER;
  for (std::size_t i = 0; i < thumbprint.size(); ++i) {
    const int value = digit(thumbprint[i]);
    if (value < 0) return ERROR_INVALID_PARAMETER;
    hash[i / 2] = static_cast<unsigned char>(hash[i / 2] << 4 | value);
  }
  if (functions_->findCertificate == nullptr || functions_->deleteCertificate == nullptr) {
    return ERROR_PROC_NOT_FOUND;
  }
  CRYPT_HASH_BLOB blob{sizeof(hash), hash};
  const PCCERT_CONTEXT found = functions_->findCertificate(ToStore(store), kEncoding, 0,
                                                           CERT_FIND_SHA1_HASH, &blob, nullptr);
  if (found == nullptr) return static_cast<std::uint32_t>(CRYPT_E_NOT_FOUND);
  // It releases the context whatever it answers.
  if (!functions_->deleteCertificate(found)) return ::GetLastError();
  // Written to the registry now, not when the store's last reference goes: Wine's crypt32
  // keeps one after a deletion from a system store, and then never writes it.
  if (functions_->controlStore != nullptr) {
    functions_->controlStore(ToStore(store), 0, CERT_STORE_CTRL_COMMIT, nullptr);
  }
  return ERROR_SUCCESS;
}

void Win32Certificates::CloseStore(StoreHandle store) {
  if (functions_->closeStore != nullptr) functions_->closeStore(ToStore(store), 0);
}

}  // namespace setup::win32
