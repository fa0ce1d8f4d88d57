#include "packages/installer_queries.h"

namespace setup {

PackageHandles::~PackageHandles() {
  if (package_ != 0) installer_.CloseHandle(package_);
  if (third_ != 0) installer_.CloseHandle(third_);
  if (view_ != 0) {
    installer_.CloseView(view_);
    installer_.CloseHandle(view_);
  }
  if (first_ != 0) installer_.CloseHandle(first_);
}

std::uint32_t PackageHandles::Open(const std::u16string& path) {
  return installer_.OpenPackage(path, package_);
}

std::uint32_t PackageHandles::ReadProperty(const std::u16string& property, std::u16string& value) {
  return installer_.ReadPackageProperty(package_, property, value);
}

}  // namespace setup
