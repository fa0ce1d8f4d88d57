// A package's mask: the product's prefix, the architecture pattern, then the pieces.
#include "packages/package_mask.h"

#include <gtest/gtest.h>

#include "tests/support/fake_windows.h"

namespace setup::testing {
namespace {

TEST(PackageMask, ThePrefixTheArchitectureThenTheLevelAndLanguagePieces) {
  const PackageSelection chosen{u"*2*", u"*eng*"};
  const std::tuple<const Product&, std::u16string, MaskPieces, std::u16string> cases[] = {
      {kPlugin, u"*x64*", {}, u"velumcom*x64*"},
      {kProvider, u"*x64*", {u"kc3*", u"rus*"}, u"csp*x64*kc3*rus*"},
      {kProvider, u"*win32*", {}, u"csp*win32*"},
      {kCardProvider, u"*win32*", {u"", u"eng*"}, u"ucsp*win32*eng*"},
      // Chosen: the provider's mask ends in a blank, the card provider's has no level.
      {kProvider, u"*x64*", ChosenPieces(kProvider, chosen), u"csp*x64**2**eng* "},
      {kCardProvider, u"*win32*", ChosenPieces(kCardProvider, chosen), u"ucsp*win32**eng*"},
  };
  for (const auto& [product, architecture, pieces, mask] : cases)
    EXPECT_EQ(InstallationMask(product, architecture, pieces), mask) << Utf8(mask);
}

}  // namespace
}  // namespace setup::testing
