// The configuration dialog's decisions: the buttons it opens with, the Options toggle, and
// the pieces its choice adds to the package masks.
#include "ui/selection_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packages/package_selection.h"
#include "tests/support/texts.h"

namespace setup {
namespace {

using testing::FakeWindows;
using Ids = std::vector<std::uint16_t>;

TEST(SelectionDialog, OpensWithKc1AndTheSystemLanguage) {
  EXPECT_EQ(InitialDialogChoice(kRussianLanguageId), (Ids{IDC_KC1, IDC_RUSSIAN}));
  for (const std::uint16_t language : {0x0409, 0x0422, 0x0819}) {
    EXPECT_EQ(InitialDialogChoice(language), (Ids{IDC_KC1, IDC_ENGLISH})) << language;
  }
}

TEST(SelectionDialog, NextAppendsTheCheckedPiecesLevelsFirst) {
  struct Case {
    Ids checked;
    PackageSelection before, after;
  } cases[] = {
      {{IDC_RUSSIAN, IDC_KC1}, {}, {u"kc1*", u"rus*"}},
      {{IDC_KC3, IDC_ENGLISH}, {}, {u"kc3*", u"eng*"}},
      {{IDC_ENGLISH, IDC_KC2}, {u"*2*", u"*eng*"}, {u"*2*kc2*", u"*eng*eng*"}},
      {{IDC_ENGLISH, IDC_RUSSIAN, IDC_KC3, IDC_KC2, IDC_KC1}, {}, {u"kc1*kc2*kc3*", u"rus*eng*"}},
      {{IDC_OPTIONS, IDC_NEXT}, {u"*x*", u""}, {u"*x*", u""}},
      {{}, {u"*x*", u""}, {u"*x*", u""}},
  };
  for (const Case& c : cases) {
    PackageSelection selection = c.before;
    AppendDialogChoice(c.checked, selection);
    EXPECT_EQ(selection.levelPattern, c.after.levelPattern);
    EXPECT_EQ(selection.languagePattern, c.after.languagePattern);
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

TEST(SelectionDialogView, OptionsSwitchesByTheCaptionAlone) {
  struct Case {
    const char* name;
    std::u16string caption;
    std::u16string optionsText;
    bool expands;
  } cases[] = {
      {"the compact view's caption", u"Опции", u"Опции", true},
      {"the expanded view's caption", u"Скрыть", u"Опции", false},
      {"an empty caption", u"", u"Опции", false},
      {"compared case-sensitively", u"опции", u"Опции", false},
      {"a trailing blank counts", u"Опции ", u"Опции", false},
      {"a missing message 143 matches no caption", u"Опции", u"", false},
      {"nine characters are compared", u"0123456789", u"012345678", true},
      {"a message longer than the buffer never matches", u"0123456789", u"0123456789", false},
  };
  for (const Case& c : cases) {
    const ViewSwitch view = SwitchView(c.caption, {c.optionsText, u"Скрыть"});
    EXPECT_EQ(Shown(view), c.expands ? kExpanded : kCompact) << c.name;
    EXPECT_EQ(view.caption, c.expands ? u"Скрыть" : c.optionsText) << c.name;
  }
}

TEST(SelectionDialogView, SwitchesEveryControlOfBothViewsInAscendingOrder) {
  for (const bool expand : {true, false}) {
    const ViewSwitch view = SwitchView(expand ? u"Опции" : u"Скрыть", {u"Опции", u"Скрыть"});
    for (std::size_t i = 0; i < view.controls.size(); ++i) {
      EXPECT_EQ(view.controls[i].id, IDC_RUSSIAN + i) << "expand " << expand;
    }
  }
}

TEST(SelectionDialogView, OptionsPressedTwiceBringsTheCompactViewBack) {
  FakeWindows fake;
  const SelectionDialogTexts texts = LoadSelectionDialogTexts(fake.windows());
  std::u16string caption = texts.options;
  std::vector<std::vector<std::uint16_t>> views;
  for (int press = 0; press < 4; ++press) {
    const ViewSwitch view = SwitchView(caption, texts);
    views.push_back(Shown(view));
    caption = view.caption;
  }
  EXPECT_EQ(views,
            (std::vector<std::vector<std::uint16_t>>{kExpanded, kCompact, kExpanded, kCompact}));
  EXPECT_EQ(caption, u"Опции");
}

}  // namespace
}  // namespace setup
