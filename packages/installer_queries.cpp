#include "packages/installer_queries.h"

namespace setup {

PackageHandle::~PackageHandle() {
  if (package_ != 0) installer_.CloseHandle(package_);
}

std::uint32_t PackageHandle::Open(const std::u16string& path) {
  return installer_.OpenPackage(path, package_);
}

std::uint32_t PackageHandle::ReadProperty(const std::u16string& property, std::u16string& value) {
  return installer_.ReadPackageProperty(package_, property, value);
}

}  // namespace setup
