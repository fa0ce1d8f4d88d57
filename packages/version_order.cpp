#include "packages/version_order.h"

#include "packages/installer_queries.h"
#include "packages/package_locator.h"
#include "platform/windows_constants.h"
#include "ui/message_catalogue.h"

namespace setup {
namespace {

std::uint32_t Fail(Windows& windows, std::uint32_t code, std::uint16_t messageId, bool silent) {
  if (!silent) ShowMessage(windows, messageId, msg::kErrorCaption, kMbIconError);
  return code;
}

}  // namespace

int OrdinalCompare(std::u16string_view a, std::u16string_view b) {
  // The platform's strings end at their first NUL.
  a = a.substr(0, a.find(u'\0'));
  b = b.substr(0, b.find(u'\0'));
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] != b[i]) {
      return static_cast<std::uint16_t>(a[i]) < static_cast<std::uint16_t>(b[i]) ? -1 : 1;
    }
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::u16string VersionMaskFor(const std::u16string& productCode) {
  if (OrdinalCompare(productCode, kPluginProductCode) == 0) return u"velumcom*.msi";
  if (OrdinalCompare(productCode, kProviderProductCode) == 0) return u"csp*.msi";
  if (OrdinalCompare(productCode, kCardProviderProductCode) == 0) return u"ucsp*.msi";
  return {};
}

std::uint32_t CompareWithInstalled(Windows& windows, const std::u16string& productCode,
                                   int& newVersusInstalled, int* minimumVersusInstalled,
                                   bool silent) {
  std::u16string installedVersion;
  if (const std::uint32_t code =
          windows.installer.ReadProductInfo(productCode, u"VersionString", installedVersion);
      code != 0) {
    return Fail(windows, code, msg::kInstalledVersionUnreadable, silent);
  }
  // An unknown product selects no package: the same answer as an empty distribution.
  const std::u16string mask = VersionMaskFor(productCode);
  std::u16string path;
  const std::uint32_t found = mask.empty() ? kErrorNoData : FindPackage(windows, mask, path);
  if (found != 0) return Fail(windows, found, msg::kPackageNotFound, silent);

  PackageHandles handles(windows.installer);
  if (const std::uint32_t code = handles.Open(path); code != 0) {
    return Fail(windows, code, msg::kPackageNotOpened, silent);
  }
  std::u16string newVersion;
  if (const std::uint32_t code = handles.ReadProperty(u"ProductVersion", newVersion); code != 0) {
    return Fail(windows, code, msg::kPackageVersionUnreadable, silent);
  }
  newVersusInstalled = OrdinalCompare(newVersion, installedVersion);
  if (minimumVersusInstalled != nullptr && OrdinalCompare(productCode, kProviderProductCode) == 0) {
    *minimumVersusInstalled = OrdinalCompare(kMinimumUpdatableVersion, installedVersion);
  }
  return kSuccess;
}

}  // namespace setup
