#include "packages/package_selection.h"

#include <algorithm>

#include "ui/selection_dialog.h"

namespace setup {

void AppendDialogChoice(const std::vector<std::uint16_t>& checked, PackageSelection& selection) {
  for (const ChoiceButton& button : ChoiceButtons()) {
    if (std::find(checked.begin(), checked.end(), button.id) == checked.end()) continue;
    (button.level ? selection.levelPattern : selection.languagePattern) += button.piece;
  }
}

}  // namespace setup
