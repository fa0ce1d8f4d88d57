/* Prints what the Windows Installer knows about products, one JSON line each:
   {"product":"{...}","state":5,"version":"2.1.0","name":"...","language":"1049",
    "package":"velumcom-2.1.0-x64.msi","cached":"C:\\windows\\Installer\\1a2b.msi","NPVELUM":3}
   msiquery.exe            every installed product
   msiquery.exe CODE...    these products, installed or not (state -1, version null)
   --root first adds the certificates of the local machine's Root store, as the registry
   keeps them (one key per SHA-1 thumbprint): {"root":["2FFE...",...]} */
// windows.h comes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <msi.h>
#include "helper_output.h"
// clang-format on

static void PrintInfo(const wchar_t* product, const wchar_t* key, const wchar_t* property) {
  wchar_t value[1024];
  DWORD length = 1024;
  PrintFormat(L",\"%ls\":", key);
  if (MsiGetProductInfoW(product, property, value, &length) == ERROR_SUCCESS)
    PrintJsonString(value);
  else
    Print(L"null");
}

static void PrintProduct(const wchar_t* product) {
  Print(L"{\"product\":");
  PrintJsonString(product);
  PrintFormat(L",\"state\":%d", (int)MsiQueryProductStateW(product));
  PrintInfo(product, L"version", INSTALLPROPERTY_VERSIONSTRING);
  PrintInfo(product, L"name", INSTALLPROPERTY_PRODUCTNAME);
  PrintInfo(product, L"language", INSTALLPROPERTY_LANGUAGE);
  PrintInfo(product, L"package", INSTALLPROPERTY_PACKAGENAME);
  PrintInfo(product, L"cached", INSTALLPROPERTY_LOCALPACKAGE);
  PrintFormat(L",\"NPVELUM\":%d}\n", (int)MsiQueryFeatureStateW(product, L"NPVELUM"));
}

static void PrintRootStore(void) {
  HKEY key;
  Print(L"{\"root\":[");
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates",
                    0, KEY_READ, &key) == ERROR_SUCCESS) {
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
      DWORD length = 256;
      if (RegEnumKeyExW(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
      if (index) Print(L",");
      PrintJsonString(name);
    }
    RegCloseKey(key);
  }
  Print(L"]}\n");
}

int wmain(int argc, wchar_t** argv) {
  MsiSetInternalUI(INSTALLUILEVEL_NONE, NULL);
  int first = 1;
  if (argc > 1 && wcscmp(argv[1], L"--root") == 0) {
    PrintRootStore();
    ++first;
  }
  if (argc > first) {
    for (int i = first; i < argc; ++i) PrintProduct(argv[i]);
    return 0;
  }
  wchar_t product[39];
  for (DWORD index = 0; MsiEnumProductsW(index, product) == ERROR_SUCCESS; ++index)
    PrintProduct(product);
  return 0;
}
