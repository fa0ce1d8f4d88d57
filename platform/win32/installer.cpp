#include "platform/win32/installer.h"

// The declarations of the newer functions are wanted for their types only: each one is
// looked up at run time, so the program still starts with Windows Installer 2.0.
#define _WIN32_MSI 300
#include <msi.h>
#include <msiquery.h>

#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"

namespace setup::win32 {

struct Win32Installer::Functions {
  decltype(&::MsiSetInternalUI) setInternalUI;
  decltype(&::MsiQueryProductStateW) queryProductState;
  decltype(&::MsiQueryFeatureStateW) queryFeatureState;
  decltype(&::MsiGetProductInfoW) getProductInfo;
  decltype(&::MsiOpenPackageExW) openPackage;  // Windows Installer 1.1
  decltype(&::MsiGetPropertyW) getProperty;
  decltype(&::MsiCloseHandle) closeHandle;
  decltype(&::MsiSourceListForceResolutionW) forceResolution;
  decltype(&::MsiSourceListSetInfoW) sourceListSetInfo;  // Windows Installer 3.0
  decltype(&::MsiSourceListAddSourceW) addSource;
  decltype(&::MsiOpenDatabaseW) openDatabase;
  decltype(&::MsiDatabaseOpenViewW) openView;
  decltype(&::MsiViewExecute) execute;
  decltype(&::MsiViewFetch) fetch;
  decltype(&::MsiRecordGetStringW) recordString;
};

namespace {

// A call whose function is missing fails like a call the installer refused.
constexpr UINT kMissing = ERROR_CALL_NOT_IMPLEMENTED;

// Where the numbers in the seam stand for the installer's enumerations.
constexpr DWORD kIgnoreMachineState = 1;  // MSIOPENPACKAGEFLAGS_IGNOREMACHINESTATE
constexpr MSIINSTALLCONTEXT kMachineContext = MSIINSTALLCONTEXT_MACHINE;
constexpr DWORD kProductCode = 0;  // MSICODE_PRODUCT

// The text up to the first NUL of a buffer the installer filled.
std::u16string UpToNul(const std::u16string& buffer) {
  return buffer.substr(0, buffer.find(u'\0'));
}

}  // namespace

// msi.dll stays loaded until the process ends.
Win32Installer::Functions Win32Installer::BindFunctions() {
  const HMODULE msi = LoadSystemLibrary(L"msi.dll");
  Functions functions{};
  functions.setInternalUI =
      FindFunction<decltype(functions.setInternalUI)>(msi, "MsiSetInternalUI");
  functions.queryProductState =
      FindFunction<decltype(functions.queryProductState)>(msi, "MsiQueryProductStateW");
  functions.queryFeatureState =
      FindFunction<decltype(functions.queryFeatureState)>(msi, "MsiQueryFeatureStateW");
  functions.getProductInfo =
      FindFunction<decltype(functions.getProductInfo)>(msi, "MsiGetProductInfoW");
  functions.openPackage = FindFunction<decltype(functions.openPackage)>(msi, "MsiOpenPackageExW");
  functions.getProperty = FindFunction<decltype(functions.getProperty)>(msi, "MsiGetPropertyW");
  functions.closeHandle = FindFunction<decltype(functions.closeHandle)>(msi, "MsiCloseHandle");
  functions.forceResolution =
      FindFunction<decltype(functions.forceResolution)>(msi, "MsiSourceListForceResolutionW");
  functions.sourceListSetInfo =
      FindFunction<decltype(functions.sourceListSetInfo)>(msi, "MsiSourceListSetInfoW");
  functions.addSource = FindFunction<decltype(functions.addSource)>(msi, "MsiSourceListAddSourceW");
  functions.openDatabase = FindFunction<decltype(functions.openDatabase)>(msi, "MsiOpenDatabaseW");
  functions.openView = FindFunction<decltype(functions.openView)>(msi, "MsiDatabaseOpenViewW");
  functions.execute = FindFunction<decltype(functions.execute)>(msi, "MsiViewExecute");
  functions.fetch = FindFunction<decltype(functions.fetch)>(msi, "MsiViewFetch");
  functions.recordString =
      FindFunction<decltype(functions.recordString)>(msi, "MsiRecordGetStringW");
  return functions;
}

Win32Installer::Win32Installer() : functions_(std::make_unique<const Functions>(BindFunctions())) {}

Win32Installer::~Win32Installer() = default;

void Win32Installer::SetInternalUI(std::uint32_t level) {
  if (functions_->setInternalUI == nullptr) return;
  functions_->setInternalUI(static_cast<INSTALLUILEVEL>(level), nullptr);
}

std::int32_t Win32Installer::QueryProductState(const std::u16string& productCode) {
  if (functions_->queryProductState == nullptr) return INSTALLSTATE_UNKNOWN;
  return functions_->queryProductState(Wide(productCode));
}

std::int32_t Win32Installer::QueryFeatureState(const std::u16string& productCode,
                                               const std::u16string& feature) {
  if (functions_->queryFeatureState == nullptr) return INSTALLSTATE_UNKNOWN;
  return functions_->queryFeatureState(Wide(productCode), Wide(feature));
}

std::uint32_t Win32Installer::ReadProductInfo(const std::u16string& productCode,
                                              const std::u16string& attribute,
                                              std::u16string& value) {
  if (functions_->getProductInfo == nullptr) return kMissing;
  DWORD length = 0;
  UINT result = functions_->getProductInfo(Wide(productCode), Wide(attribute), nullptr, &length);
  if (result != ERROR_SUCCESS) return result;
  // The length the installer gives leaves out the terminating NUL.
  std::u16string buffer(std::size_t{length} + 1, u'\0');
  length += 1;
  result = functions_->getProductInfo(Wide(productCode), Wide(attribute), Wide(buffer), &length);
  if (result == ERROR_SUCCESS) value = UpToNul(buffer);
  return result;
}

std::uint32_t Win32Installer::OpenPackage(const std::u16string& path, std::uint32_t& handle) {
  if (functions_->openPackage == nullptr) return kMissing;
  MSIHANDLE opened = 0;
  const UINT result = functions_->openPackage(Wide(path), kIgnoreMachineState, &opened);
  if (result == ERROR_SUCCESS) handle = opened;
  return result;
}

std::uint32_t Win32Installer::ReadPackageProperty(std::uint32_t package,
                                                  const std::u16string& property,
                                                  std::u16string& value) {
  if (functions_->getProperty == nullptr) return kMissing;
  wchar_t empty[1] = {L'\0'};
  DWORD length = 0;
  UINT result = functions_->getProperty(package, Wide(property), empty, &length);
  if (result != ERROR_MORE_DATA) return result;
  std::u16string buffer(std::size_t{length} + 1, u'\0');
  length += 1;
  result = functions_->getProperty(package, Wide(property), Wide(buffer), &length);
  if (result == ERROR_SUCCESS) value = UpToNul(buffer);
  return result;
}

void Win32Installer::CloseHandle(std::uint32_t handle) {
  if (functions_->closeHandle != nullptr) functions_->closeHandle(handle);
}

void Win32Installer::ForceSourceListResolution(const std::u16string& productCode) {
  if (functions_->forceResolution != nullptr) {
    functions_->forceResolution(Wide(productCode), nullptr, 0);
  }
}

void Win32Installer::SetSourceListPackageName(const std::u16string& productCode,
                                              const std::u16string& packageName) {
  if (functions_->sourceListSetInfo != nullptr) {
    functions_->sourceListSetInfo(Wide(productCode), nullptr, kMachineContext, kProductCode,
                                  L"PackageName", Wide(packageName));
  }
}

std::uint32_t Win32Installer::AddSource(const std::u16string& productCode,
                                        const std::u16string& folder) {
  if (functions_->addSource == nullptr) return kMissing;
  return functions_->addSource(Wide(productCode), nullptr, 0, Wide(folder));
}

std::uint32_t Win32Installer::ReadCabinets(const std::u16string& package,
                                           std::vector<std::u16string>& cabinets) {
  const Functions& f = *functions_;
  if (f.openDatabase == nullptr || f.openView == nullptr || f.execute == nullptr ||
      f.fetch == nullptr || f.recordString == nullptr || f.closeHandle == nullptr) {
    return kMissing;
  }
  // Each handle closed when the call is done with it, on every path.
  struct Closed {
    decltype(&::MsiCloseHandle) close;
    MSIHANDLE handle = 0;
    ~Closed() {
      if (handle != 0) close(handle);
    }
  };
  Closed database{f.closeHandle}, view{f.closeHandle};
  std::u16string path = package;
  // MSIDBOPEN_READONLY is a null path pointer.
  UINT result = f.openDatabase(Wide(path), nullptr, &database.handle);
  if (result == ERROR_SUCCESS) {
    result = f.openView(database.handle, L"SELECT `Cabinet` FROM `Media`", &view.handle);
  }
  if (result == ERROR_SUCCESS) result = f.execute(view.handle, 0);
  std::vector<std::u16string> read;
  while (result == ERROR_SUCCESS) {
    Closed record{f.closeHandle};
    result = f.fetch(view.handle, &record.handle);
    if (result != ERROR_SUCCESS) break;
    // A cabinet's name is a file name: MAX_PATH holds it, or the call says so.
    std::u16string buffer(MAX_PATH, u'\0');
    DWORD length = MAX_PATH;
    result = f.recordString(record.handle, 1, Wide(buffer), &length);
    if (result == ERROR_SUCCESS) read.push_back(UpToNul(buffer));
  }
  if (result != ERROR_NO_MORE_ITEMS) return result;
  cabinets = std::move(read);
  return ERROR_SUCCESS;
}

}  // namespace setup::win32
