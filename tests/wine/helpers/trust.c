/* trust.exe FILE: WinVerifyTrust's answer for FILE and its signer, as application control
   asks: {"trust":0,"signer":"Vendor"} (2148098064, TRUST_E_BAD_DIGEST, for a changed file) */
#include "helper_output.h"
/* After windows.h, which it builds on. */
#include <softpub.h>

int wmain(int argc, wchar_t** argv) {
  WINTRUST_FILE_INFO file = {sizeof(file), argc == 2 ? argv[1] : L"", NULL, NULL};
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  WINTRUST_DATA data = {.cbStruct = sizeof(data),
                        .dwUIChoice = WTD_UI_NONE,
                        .dwUnionChoice = WTD_CHOICE_FILE,
                        .pFile = &file,
                        .dwStateAction = WTD_STATEACTION_VERIFY};
  LONG trust = WinVerifyTrust(NULL, &action, &data);
  CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data.hWVTStateData);
  CRYPT_PROVIDER_SGNR* signer = provider ? WTHelperGetProvSignerFromChain(provider, 0, 0, 0) : 0;
  wchar_t name[256] = L"";
  if (signer && signer->csCertChain)
    CertGetNameStringW(signer->pasCertChain[0].pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, 0, name,
                       256);
  PrintFormat(L"{\"trust\":%lu", (unsigned long)trust);
  PrintJson(L",\"signer\":", name);
  Print(L"}\n");
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(NULL, &action, &data);
  return 0;
}
