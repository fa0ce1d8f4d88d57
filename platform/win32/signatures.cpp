// The certificate family's signatures: whom a file is signed by, and its chain.
#include "platform/win32/certificate_functions.h"
#include "platform/win32/wide_text.h"

namespace setup::win32 {

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
