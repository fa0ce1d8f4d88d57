/* Prints what the Windows Installer knows about products, one JSON line each:
   {"product":"{...}","state":5,"version":"2.1.0","name":"...","language":"1049",
    "package":"velumcom-2.1.0-x64.msi","cached":"C:\\windows\\Installer\\1a2b.msi","NPVELUM":3}
   msiquery.exe            every installed product
   msiquery.exe CODE...    these products, installed or not (state -1, version null)
   --root first adds the certificates of the local machine's Root store, as the registry
   keeps them (one key per SHA-1 thumbprint): {"root":["2FFE...",...]} */
#include "helper_output.h"
/* After windows.h, which it builds on. */
#include <msi.h>

static void PrintProduct(const wchar_t* product) {
  static const wchar_t* info[][2] = {{L"version", INSTALLPROPERTY_VERSIONSTRING},
                                     {L"name", INSTALLPROPERTY_PRODUCTNAME},
                                     {L"language", INSTALLPROPERTY_LANGUAGE},
                                     {L"package", INSTALLPROPERTY_PACKAGENAME},
                                     {L"cached", INSTALLPROPERTY_LOCALPACKAGE}};
  PrintJson(L"{\"product\":", product);
  PrintFormat(L",\"state\":%d", (int)MsiQueryProductStateW(product));
  for (int i = 0; i < 5; ++i) {
    wchar_t value[1024];
    DWORD length = 1024;
    PrintFormat(L",\"%ls\":", info[i][0]);
    if (MsiGetProductInfoW(product, info[i][1], value, &length) == ERROR_SUCCESS)
      PrintJson(L"", value);
    else
      Print(L"null");
  }
  PrintFormat(L",\"NPVELUM\":%d}\n", (int)MsiQueryFeatureStateW(product, L"NPVELUM"));
}

static void PrintRootStore(void) {
  HKEY key;
  Print(L"{\"root\":[");
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                    L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates", 0, KEY_READ,
                    &key) == ERROR_SUCCESS) {
    wchar_t name[256];
    for (DWORD i = 0, length = 256;
         RegEnumKeyExW(key, i, name, &length, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
         ++i, length = 256)
      PrintJson(i ? L"," : L"", name);
    RegCloseKey(key);
  }
  Print(L"]}\n");
}

int wmain(int argc, wchar_t** argv) {
  MsiSetInternalUI(INSTALLUILEVEL_NONE, NULL);
  int root = argc > 1 && wcscmp(argv[1], L"--root") == 0;
  if (root) PrintRootStore();
  for (int i = 1 + root; i < argc; ++i) PrintProduct(argv[i]);
  wchar_t product[39];
  for (DWORD i = 0; argc <= 1 + root && MsiEnumProductsW(i, product) == ERROR_SUCCESS; ++i)
    PrintProduct(product);
  return 0;
}
