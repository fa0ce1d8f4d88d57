// The package handle the program opens to read a package's properties.
#pragma once

#include <cstdint>
#include <string>

#include "packages/products.h"
#include "platform/installer.h"

namespace setup {

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
