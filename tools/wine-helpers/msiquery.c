/* Prints what the Windows Installer knows about products, one JSON line each:
   {"product":"{...}","state":5,"version":"2.1.0","name":"...","language":"1049",
    "package":"velumcom-2.1.0-x64.msi","cached":"C:\\windows\\Installer\\1a2b.msi","NPVELUM":3}
   msiquery.exe            every installed product
   msiquery.exe CODE...    these products, installed or not (state -1, version null) */
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

int wmain(int argc, wchar_t** argv) {
  MsiSetInternalUI(INSTALLUILEVEL_NONE, NULL);
  if (argc > 1) {
    for (int i = 1; i < argc; ++i) PrintProduct(argv[i]);
    return 0;
  }
  wchar_t product[39];
  for (DWORD index = 0; MsiEnumProductsW(index, product) == ERROR_SUCCESS; ++index)
    PrintProduct(product);
  return 0;
}
