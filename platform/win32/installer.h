// The Windows Installer calls, bound at run time to the system's msi.dll.
#pragma once

#include <memory>

#include "platform/installer.h"
#include "platform/win32/system_headers.h"

namespace setup::win32 {

class Win32Installer final : public Installer {
 public:
  Win32Installer();
  ~Win32Installer() override;

  void SetInternalUI(std::uint32_t level) override;
  std::int32_t QueryProductState(const std::u16string& productCode) override;
  std::int32_t QueryFeatureState(const std::u16string& productCode,
                                 const std::u16string& feature) override;
  std::uint32_t ReadProductInfo(const std::u16string& productCode, const std::u16string& attribute,
                                std::u16string& value) override;
  std::uint32_t OpenPackage(const std::u16string& path, std::uint32_t& handle) override;
  std::uint32_t ReadPackageProperty(std::uint32_t package, const std::u16string& property,
                                    std::u16string& value) override;
  void CloseHandle(std::uint32_t handle) override;
  void ForceSourceListResolution(const std::u16string& productCode) override;
  void SetSourceListPackageName(const std::u16string& productCode,
                                const std::u16string& packageName) override;
  std::uint32_t AddSource(const std::u16string& productCode, const std::u16string& folder) override;
  std::uint32_t ReadCabinets(const std::u16string& package,
                             std::vector<std::u16string>& cabinets) override;

 private:
  struct Functions;
  static Functions BindFunctions();

  std::unique_ptr<const Functions> functions_;
};

}  // namespace setup::win32
