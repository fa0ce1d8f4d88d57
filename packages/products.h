// The products the program knows, one row each: everything else (the masks that find
// their packages, the removal command, which code has a level) is built from these rows.
#pragma once

#include <string>
#include <string_view>

namespace setup {

struct Product {
  const char16_t* productCode;
  const char16_t* packagePrefix;  // the package file names begin with it ("csp" + "*x64*...")
  const char16_t* feature;        // the feature a run completes; nullptr: none
  // A second product code of the same product, looked at only when the first is not
  // installed; nullptr: none.
  const char16_t* alternateCode;
  bool hasLevel;         // its packages come in security levels (kc1, kc2, kc3)
  const char16_t* name;  // as the log names it
};

inline constexpr Product kPlugin{
    u"{C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}", u"velumcom", u"NPVELUM", nullptr, false, u"plug-in"};
inline constexpr Product kProvider{u"{5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}", u"csp", nullptr,
                                   u"{A93E1F07-26D4-4B8C-9F5A-71E0B3C8D264}", true,   u"provider"};
inline constexpr Product kCardProvider{
    u"{3F6B82D4-E015-4A97-B2C3-9D4E57A1F08B}", u"ucsp", nullptr, nullptr, false, u"card provider"};
inline constexpr Product kProducts[] = {kPlugin, kProvider, kCardProvider};

inline constexpr const char16_t* kPluginProductCode = kPlugin.productCode;
inline constexpr const char16_t* kProviderProductCode = kProvider.productCode;
inline constexpr const char16_t* kAlternateProviderProductCode = kProvider.alternateCode;
inline constexpr const char16_t* kCardProviderProductCode = kCardProvider.productCode;

// The product whose product code, or alternate code, `productCode` is (exactly, case and
// all); nullptr for a code the program does not know.
const Product* FindProduct(std::u16string_view productCode);

// msiexec /qn /x <product code> REBOOT=R: the removal by product code, no package needed.
std::u16string RemovalCommand(const Product& product);
// The same by the code a product is installed under (its own or its second code).
std::u16string RemovalCommand(const char16_t* productCode);

}  // namespace setup
