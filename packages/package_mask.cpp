#include "packages/package_mask.h"

#include "common/joined_text.h"

namespace setup {

MaskPieces ChosenPieces(const Product& product, const PackageSelection& selection) {
  if (!product.hasLevel) return {{}, selection.languagePattern};
  // The chosen mask of a product with levels has always ended in a blank: the platform's
  // search ignores it, and the log shows the mask as it was asked.
  return {selection.levelPattern, selection.languagePattern + u" "};
}

std::u16string InstallationMask(const Product& product, const std::u16string& architecture,
                                const MaskPieces& pieces) {
  return Join({product.packagePrefix, architecture, pieces.level, pieces.language});
}

}  // namespace setup
