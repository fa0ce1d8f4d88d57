#include "ui/selection_dialog.h"

namespace setup {

DialogChoice InitialDialogChoice(std::uint16_t systemUiLanguage) {
  DialogChoice choice;
  choice.russian = systemUiLanguage == kRussianLanguageId;
  choice.english = !choice.russian;
  choice.kc1 = true;
  return choice;
}

void AppendDialogChoice(const DialogChoice& choice, PackageSelection& selection) {
  if (choice.kc1) selection.levelPattern += u"kc1*";
  if (choice.kc2) selection.levelPattern += u"kc2*";
  if (choice.kc3) selection.levelPattern += u"kc3*";
  if (choice.russian) selection.languagePattern += u"rus*";
  if (choice.english) selection.languagePattern += u"eng*";
}

}  // namespace setup
