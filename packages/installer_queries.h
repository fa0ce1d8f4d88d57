// The products the program knows, and the package handle it opens.
#pragma once

#include <cstdint>
#include <string>

#include "platform/windows.h"

namespace setup {

inline constexpr char16_t kPluginProductCode[] = u"{C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}";
inline constexpr char16_t kProviderProductCode[] = u"{5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}";
inline constexpr char16_t kAlternateProviderProductCode[] =
    u"{A93E1F07-26D4-4B8C-9F5A-71E0B3C8D264}";
inline constexpr char16_t kCardProviderProductCode[] = u"{3F6B82D4-E015-4A97-B2C3-9D4E57A1F08B}";

// An installer package opened for reading its properties, closed on every path.
class PackageHandle {
 public:
  explicit PackageHandle(Installer& installer) : installer_(installer) {}
  ~PackageHandle();
  PackageHandle(const PackageHandle&) = delete;
  PackageHandle& operator=(const PackageHandle&) = delete;

  // MsiOpenPackageExW.
  std::uint32_t Open(const std::u16string& path);
  // MsiGetPropertyW on the open package.
  std::uint32_t ReadProperty(const std::u16string& property, std::u16string& value);

 private:
  Installer& installer_;
  std::uint32_t package_ = 0;
};

}  // namespace setup
