// The configuration dialog's decisions: the buttons it opens with, the Options toggle, and
// the pieces its choice adds to the package masks.
#include "ui/selection_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packages/package_selection.h"
#include "tests/support/texts.h"

namespace setup::testing {
namespace {

using Ids = std::vector<std::uint16_t>;

TEST(SelectionDialog, OpensWithKc1AndTheSystemLanguage) {
  EXPECT_EQ(InitialDialogChoice(kRussianLanguageId), (Ids{IDC_KC1, IDC_RUSSIAN}));
  for (const std::uint16_t language : {0x0409, 0x0422, 0x0819}) {
    EXPECT_EQ(InitialDialogChoice(language), (Ids{IDC_KC1, IDC_ENGLISH})) << language;
  }
}

TEST(SelectionDialog, NextAppendsTheCheckedPiecesLevelsFirst) {
  const std::tuple<Ids, PackageSelection, std::u16string, std::u16string> cases[] = {
      {{IDC_RUSSIAN, IDC_KC1}, {}, u"kc1*", u"rus*"},
      {{IDC_KC3, IDC_ENGLISH}, {}, u"kc3*", u"eng*"},
      {{IDC_ENGLISH, IDC_KC2}, {u"*2*", u"*eng*"}, u"*2*kc2*", u"*eng*eng*"},
      {{IDC_ENGLISH, IDC_RUSSIAN, IDC_KC3, IDC_KC2, IDC_KC1}, {}, u"kc1*kc2*kc3*", u"rus*eng*"},
      {{IDC_OPTIONS, IDC_NEXT}, {u"*x*", u""}, u"*x*", u""},
      {{}, {u"*x*", u""}, u"*x*", u""},
  };
  for (auto [checked, selection, level, language] : cases) {
    AppendDialogChoice(checked, selection);
    EXPECT_EQ(std::pair(selection.levelPattern, selection.languagePattern),
              std::pair(level, language));
  }
}

std::vector<std::uint16_t> Shown(const ViewSwitch& view) {
  std::vector<std::uint16_t> shown;
  for (const ControlVisibility& control : view.controls) {
    if (control.shown) shown.push_back(control.id);
  }
  return shown;
}

const std::vector<std::uint16_t> kExpanded = {
    IDC_RUSSIAN, IDC_ENGLISH, IDC_KC1, IDC_KC2, IDC_KC3, IDC_LANGUAGE_GROUP, IDC_LEVEL_GROUP};
const std::vector<std::uint16_t> kCompact = {IDC_SLOGAN_GROUP, IDC_WELCOME_TEXT};

// Every control of both views is switched, in ascending order.
TEST(SelectionDialogView, OptionsSwitchesByTheCaptionAlone) {
  const std::tuple<const char*, std::u16string, std::u16string, bool> cases[] = {
      {"the compact view's caption", u"Опции", u"Опции", true},
      {"the expanded view's caption", u"Скрыть", u"Опции", false},
      {"an empty caption", u"", u"Опции", false},
      {"compared case-sensitively", u"опции", u"Опции", false},
      {"a trailing blank counts", u"Опции ", u"Опции", false},
      {"a missing message 143 matches no caption", u"Опции", u"", false},
      {"nine characters are compared", u"0123456789", u"012345678", true},
      {"a message longer than the buffer never matches", u"0123456789", u"0123456789", false},
  };
  for (const auto& [name, caption, optionsText, expands] : cases) {
    const ViewSwitch view = SwitchView(caption, {optionsText, u"Скрыть"});
    EXPECT_EQ(Shown(view), expands ? kExpanded : kCompact) << name;
    EXPECT_EQ(view.caption, expands ? u"Скрыть" : optionsText) << name;
    for (std::size_t i = 0; i < view.controls.size(); ++i) {
      EXPECT_EQ(view.controls[i].id, IDC_RUSSIAN + i) << name;
    }
  }
}

TEST(SelectionDialogView, OptionsPressedTwiceBringsTheCompactViewBack) {
  FakeWindows fake;
  const SelectionDialogTexts texts = LoadSelectionDialogTexts(fake.windows());
  std::u16string caption = texts.options;
  for (const std::vector<std::uint16_t>& shown : {kExpanded, kCompact, kExpanded, kCompact}) {
    const ViewSwitch view = SwitchView(caption, texts);
    EXPECT_EQ(Shown(view), shown);
    caption = view.caption;
  }
  EXPECT_EQ(caption, u"Опции");
}

}  // namespace
}  // namespace setup::testing
