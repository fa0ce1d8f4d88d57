// The package mask: the wildcard pattern of file names that finds a product's package, put
// together from the product's prefix, the architecture pattern and the level and language
// pieces ("csp" "*x64*" "kc2*" "rus*").
#pragma once

#include <string>

#include "packages/package_selection.h"
#include "packages/products.h"

namespace setup {

// What a mask holds after the architecture pattern; empty where it holds nothing.
struct MaskPieces {
  std::u16string level;  // a product with levels only
  std::u16string language;
  bool operator==(const MaskPieces&) const = default;
};

// The pieces the options and the dialog chose for `product`: the level piece where it has
// levels, then the language piece.
MaskPieces ChosenPieces(const Product& product, const PackageSelection& selection);

// The whole mask of `product`'s package for this Windows' `architecture` ("*x64*").
std::u16string InstallationMask(const Product& product, const std::u16string& architecture,
                                const MaskPieces& pieces = {});

}  // namespace setup
