#include "packages/version_order.h"

#include "packages/architecture.h"
#include "packages/installer_queries.h"
#include "packages/package_locator.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

std::u16string_view UpToNul(std::u16string_view text) { return text.substr(0, text.find(u'\0')); }

bool IsPlainNumber(std::u16string_view field) {
  if (field.empty()) return false;
  for (const char16_t unit : field) {
    if (unit < u'0' || unit > u'9') return false;
  }
  return true;
}

int CompareNumbers(std::u16string_view a, std::u16string_view b) {
  // By their digits, so that no field is too long to compare.
  while (a.size() > 1 && a.front() == u'0') a.remove_prefix(1);
  while (b.size() > 1 && b.front() == u'0') b.remove_prefix(1);
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return OrdinalCompare(a, b);
}

// The next field of `version` from `position`, which moves past its dot; "0" once the
// version has no more fields.
std::u16string_view NextField(std::u16string_view version, std::size_t& position) {
  if (position > version.size()) return u"0";
  const std::size_t dot = version.find(u'.', position);
  const std::size_t end = dot == std::u16string_view::npos ? version.size() : dot;
  const std::u16string_view field = version.substr(position, end - position);
  position = end + 1;
  return field;
}

}  // namespace

int OrdinalCompare(std::u16string_view a, std::u16string_view b) {
  a = UpToNul(a);
  b = UpToNul(b);
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] != b[i]) {
      return static_cast<std::uint16_t>(a[i]) < static_cast<std::uint16_t>(b[i]) ? -1 : 1;
    }
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int CompareVersions(std::u16string_view a, std::u16string_view b) {
  a = UpToNul(a);
  b = UpToNul(b);
  std::size_t atA = 0;
  std::size_t atB = 0;
  while (atA <= a.size() || atB <= b.size()) {
    const std::u16string_view fieldA = NextField(a, atA);
    const std::u16string_view fieldB = NextField(b, atB);
    const int order = IsPlainNumber(fieldA) && IsPlainNumber(fieldB)
                          ? CompareNumbers(fieldA, fieldB)
                          : OrdinalCompare(fieldA, fieldB);
    if (order != 0) return order;
  }
  return 0;
}

std::u16string VersionMaskFor(const std::u16string& productCode,
                              const std::u16string& architecture) {
  // The variant this Windows installs: a package of the other architecture may carry
  // another version. Level and language are not added: the variants of one architecture
  // ship together.
  const Product* const product = FindProduct(productCode);
  // The alternate provider code is looked at, never compared: it selects no package.
  if (product == nullptr || productCode != product->productCode) return {};
  return InstallationMask(*product, architecture) + u".msi";
}

std::uint32_t CompareWithInstalled(Windows& windows, Reporter& reporter,
                                   const std::u16string& productCode, int& newVersusInstalled,
                                   int* minimumVersusInstalled) {
  std::u16string installedVersion;
  if (const std::uint32_t code =
          windows.installer.ReadProductInfo(productCode, u"VersionString", installedVersion);
      code != 0) {
    return reporter.Fail(code, IDS_INSTALLED_VERSION_UNREADABLE);
  }
  // An unknown product selects no package: the same answer as an empty distribution.
  const std::u16string mask = VersionMaskFor(productCode, ArchitecturePattern(windows));
  std::u16string path;
  const std::uint32_t found =
      mask.empty() ? kErrorNoData : FindPackage(windows, reporter, mask, path);
  if (found != 0) return reporter.Fail(found, IDS_PACKAGE_NOT_FOUND);

  PackageHandle package(windows.installer);
  if (const std::uint32_t code = package.Open(path); code != 0) {
    return reporter.Fail(code, IDS_PACKAGE_NOT_OPENED);
  }
  std::u16string newVersion;
  if (const std::uint32_t code = package.ReadProperty(u"ProductVersion", newVersion); code != 0) {
    return reporter.Fail(code, IDS_PACKAGE_VERSION_UNREADABLE);
  }
  newVersusInstalled = CompareVersions(newVersion, installedVersion);
  reporter.Record(u"product " + productCode + u": installed version " + installedVersion +
                  u", package version " + newVersion + u" (" +
                  (newVersusInstalled > 0    ? u"newer"
                   : newVersusInstalled == 0 ? u"same"
                                             : u"older") +
                  u")");
  if (minimumVersusInstalled != nullptr && OrdinalCompare(productCode, kProviderProductCode) == 0) {
    *minimumVersusInstalled = CompareVersions(kMinimumUpdatableVersion, installedVersion);
  }
  return kSuccess;
}

}  // namespace setup
