// The seam's Windows Installer family (msi.dll): products, features, packages and the
// source list, one call each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace setup {

class Installer {
 public:
  virtual ~Installer() = default;
  // MsiSetInternalUI(level, NULL).
  virtual void SetInternalUI(std::uint32_t level) = 0;
  // MsiQueryProductStateW: an INSTALLSTATE value.
  virtual std::int32_t QueryProductState(const std::u16string& productCode) = 0;
  // MsiQueryFeatureStateW: an INSTALLSTATE value.
  virtual std::int32_t QueryFeatureState(const std::u16string& productCode,
                                         const std::u16string& feature) = 0;
  // MsiGetProductInfoW with its two-call buffer protocol: a first call with no buffer,
  // then one with room for the returned length. `value` is written only on success.
  virtual std::uint32_t ReadProductInfo(const std::u16string& productCode,
                                        const std::u16string& attribute, std::u16string& value) = 0;
  // MsiOpenPackageExW(path, MSIOPENPACKAGEFLAGS_IGNOREMACHINESTATE, &handle).
  virtual std::uint32_t OpenPackage(const std::u16string& path, std::uint32_t& handle) = 0;
  // MsiGetPropertyW with its two-call protocol: a first call with an empty buffer;
  // only ERROR_MORE_DATA leads to the second call. A first result of 0 leaves `value`
  // as it was; `value` is written only when the second call succeeds.
  virtual std::uint32_t ReadPackageProperty(std::uint32_t package, const std::u16string& property,
                                            std::u16string& value) = 0;
  // MsiCloseHandle.
  virtual void CloseHandle(std::uint32_t handle) = 0;
  // MsiSourceListForceResolutionW(productCode, NULL, 0); the result is not used.
  virtual void ForceSourceListResolution(const std::u16string& productCode) = 0;
  // MsiSourceListSetInfoW(productCode, NULL, MSIINSTALLCONTEXT_MACHINE, MSICODE_PRODUCT,
  // "PackageName", packageName); the result is not used.
  virtual void SetSourceListPackageName(const std::u16string& productCode,
                                        const std::u16string& packageName) = 0;
  // MsiSourceListAddSourceW(productCode, NULL, 0, folder) (Windows Installer 2.0 on): 0 or
  // the installer's code.
  virtual std::uint32_t AddSource(const std::u16string& productCode,
                                  const std::u16string& folder) = 0;
  // The Cabinet column of the package's Media table: MsiOpenDatabaseW (read only),
  // MsiDatabaseOpenViewW, MsiViewExecute, MsiViewFetch and MsiRecordGetStringW into a
  // MAX_PATH buffer; every handle closed. 0 and `cabinets`, or the installer's code.
  virtual std::uint32_t ReadCabinets(const std::u16string& package,
                                     std::vector<std::u16string>& cabinets) = 0;
};

}  // namespace setup
