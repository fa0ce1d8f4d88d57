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

std::u16string Win32Certificates::DisplayName(const void* certificate) {
  const auto context = static_cast<PCCERT_CONTEXT>(certificate);
  if (functions_->getName == nullptr) return {};
  // The length counts the terminating NUL; 1 is an empty name.
  const DWORD length =
      functions_->getName(context, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
  if (length <= 1) return {};
  std::u16string name(length, u'\0');
  functions_->getName(context, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, Wide(name), length);
  name.resize(length - 1);
  return name;
}

void Win32Certificates::BuildChain(const void* sourceSigner, std::string_view root,
                                   BuiltChain& built) {
  const auto signer = static_cast<const CRYPT_PROVIDER_SGNR*>(sourceSigner);
  std::uint32_t error = 0;
  const StoreHandle extra = OpenStore(CERT_STORE_PROV_MEMORY, 0, nullptr, error);
  if (extra == 0 || functions_->addEncoded == nullptr || functions_->getChain == nullptr ||
      functions_->freeChain == nullptr || functions_->addCertificate == nullptr) {
    if (extra != 0) CloseStore(extra);
    return;
  }
  functions_->addEncoded(ToStore(extra), X509_ASN_ENCODING,
                         reinterpret_cast<const BYTE*>(root.data()), root.size(),
                         CERT_STORE_ADD_ALWAYS, nullptr);
  // The intermediates the signature carries, as WinVerifyTrust found them.
  for (DWORD i = 1; i < signer->csCertChain; ++i) {
    functions_->addCertificate(ToStore(extra), signer->pasCertChain[i].pCert,
                               CERT_STORE_ADD_ALWAYS, nullptr);
  }
  CERT_CHAIN_PARA parameters{};
  parameters.cbSize = sizeof(parameters);
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  // At the time stamp's time: a signature made while the certificate was valid stays valid.
  FILETIME at = signer->sftVerifyAsOf;
  if (functions_->getChain(nullptr, signer->pasCertChain[0].pCert,
                           at.dwHighDateTime != 0 ? &at : nullptr, ToStore(extra), &parameters,
                           0, nullptr, &chain)) {
    built.errors = chain->TrustStatus.dwErrorStatus;
    const CERT_SIMPLE_CHAIN* simple = chain->cChain == 1 ? chain->rgpChain[0] : nullptr;
    if (simple != nullptr && simple->cElement > 0) {
      const CERT_CONTEXT* last = simple->rgpElement[simple->cElement - 1]->pCertContext;
      built.end.assign(reinterpret_cast<const char*>(last->pbCertEncoded),
                                last->cbCertEncoded);
    }
    functions_->freeChain(chain);
  }
  CloseStore(extra);
}

Signature Win32Certificates::VerifySignature(const std::u16string& path, AppendHandle held,
                                             std::string_view root, BuiltChain* chain) {
  Signature signature;
  if (functions_->verifyTrust == nullptr || functions_->providerData == nullptr ||
      functions_->providerSigner == nullptr) {
    signature.trust = ERROR_PROC_NOT_FOUND;
    return signature;
  }
  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof(file);
  file.pcwszFilePath = Wide(path);
  file.hFile = reinterpret_cast<HANDLE>(held);
  WINTRUST_DATA data{};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  // Machines being installed are often offline: nothing is fetched, nothing waits on a server.
  data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  // INVALID_HANDLE_VALUE: there is no interactive user to ask anything.
  const HWND noUser = static_cast<HWND>(INVALID_HANDLE_VALUE);
  signature.trust = static_cast<std::uint32_t>(functions_->verifyTrust(noUser, &action, &data));
  signature.lastError = ::GetLastError();
  // The signer is read also from a signature that failed, for the log.
  CRYPT_PROVIDER_DATA* provider = functions_->providerData(data.hWVTStateData);
  const CRYPT_PROVIDER_SGNR* signer =
      provider != nullptr ? functions_->providerSigner(provider, 0, FALSE, 0) : nullptr;
  if (signer != nullptr && signer->csCertChain > 0 && signer->pasCertChain != nullptr &&
      signer->pasCertChain[0].pCert != nullptr) {
    const PCCERT_CONTEXT certificate = signer->pasCertChain[0].pCert;
    const CERT_NAME_BLOB& subject = certificate->pCertInfo->Subject;
    unsigned char hash[20] = {};
    signature.thumbprint = Thumbprint(certificate, hash);
    // A certificate whose hash can't be read is no signer a package can be compared with.
    signature.signerRead = !signature.thumbprint.empty();
    signature.subject.assign(reinterpret_cast<const char*>(subject.pbData), subject.cbData);
    signature.signer = DisplayName(certificate);
    if (chain != nullptr) BuildChain(signer, root, *chain);
  }
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  functions_->verifyTrust(noUser, &action, &data);
  return signature;
}

bool Win32Certificates::SameCertificateName(const std::string& a, const std::string& b) {
  if (functions_->compareNames == nullptr) return false;
  // The blobs are only read; the structure wants them writable.
  CERT_NAME_BLOB first{static_cast<DWORD>(a.size()),
                       reinterpret_cast<BYTE*>(const_cast<char*>(a.data()))};
  CERT_NAME_BLOB second{static_cast<DWORD>(b.size()),
                        reinterpret_cast<BYTE*>(const_cast<char*>(b.data()))};
  return functions_->compareNames(kEncoding, &first, &second) != FALSE;
}

}  // namespace setup::win32
