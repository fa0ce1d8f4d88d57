// The configuration dialog's Options toggle and the radio buttons behind its choice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/message_catalogue.h"
#include "ui/selection_dialog.h"

namespace setup {
namespace {

std::u16string Text(std::uint16_t id) {
  for (const Message& message : MessageCatalogue()) {
    if (message.id == id) return message.text;
  }
  return {};
}

std::vector<std::uint16_t> Shown(const ViewSwitch& view) {
  std::vector<std::uint16_t> shown;
  for (const ControlVisibility& control : view.controls) {
    if (control.shown) shown.push_back(control.id);
  }
  return shown;
}

const std::vector<std::uint16_t> kExpanded = {1006, 1007, 1008, 1009, 1010, 1012, 1013};
const std::vector<std::uint16_t> kCompact = {1011, 1014};

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
    const ViewSwitch view = SwitchView(c.caption, c.optionsText);
    EXPECT_EQ(Shown(view), c.expands ? kExpanded : kCompact) << c.name;
    EXPECT_EQ(view.captionId, c.expands ? 142 : 143) << c.name;
  }
}

TEST(SelectionDialogView, SwitchesEveryControlFrom1006To1014InAscendingOrder) {
  for (const bool expand : {true, false}) {
    const ViewSwitch view = SwitchView(expand ? u"Опции" : u"Скрыть", u"Опции");
    for (std::size_t i = 0; i < view.controls.size(); ++i) {
      EXPECT_EQ(view.controls[i].id, 1006 + i) << "expand " << expand;
    }
  }
}

TEST(SelectionDialogView, OptionsPressedTwiceBringsTheCompactViewBack) {
  const std::u16string options = Text(143);
  std::u16string caption = options;
  std::vector<std::vector<std::uint16_t>> views;
  for (int press = 0; press < 4; ++press) {
    const ViewSwitch view = SwitchView(caption, options);
    views.push_back(Shown(view));
    caption = Text(view.captionId);
  }
  EXPECT_EQ(views,
            (std::vector<std::vector<std::uint16_t>>{kExpanded, kCompact, kExpanded, kCompact}));
  EXPECT_EQ(caption, u"Опции");
}

TEST(SelectionDialogView, EachRadioButtonHoldsItsOwnPiece) {
  struct Expected {
    std::uint16_t id;
    std::u16string level;
    std::u16string language;
  } expected[] = {
      {1008, u"kc1*", u""}, {1009, u"kc2*", u""}, {1010, u"kc3*", u""},
      {1006, u"", u"rus*"}, {1007, u"", u"eng*"},
  };
  const auto buttons = ChoiceButtons();
  ASSERT_EQ(buttons.size(), std::size(expected));
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    EXPECT_EQ(buttons[i].id, expected[i].id) << "read in position " << i;
    DialogChoice choice;
    choice.*buttons[i].checked = true;
    PackageSelection selection;
    AppendDialogChoice(choice, selection);
    EXPECT_EQ(selection.levelPattern, expected[i].level) << buttons[i].id;
    EXPECT_EQ(selection.languagePattern, expected[i].language) << buttons[i].id;
  }
}

}  // namespace
}  // namespace setup
