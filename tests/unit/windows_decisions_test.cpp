// The decisions of the progress window and the configuration dialog.
#include <gtest/gtest.h>

#include "ui/progress_window.h"
#include "ui/selection_dialog.h"

namespace setup {
namespace {

TEST(ProgressWindow, TitleNamesTheProviderOnlyWhenItIsInstalled) {
  EXPECT_EQ(ProgressTitleId(true), 113);
  EXPECT_EQ(ProgressTitleId(false), 114);
}

TEST(ProgressWindow, IsCentredByIntegerHalves) {
  struct Case {
    int width, height, x, y;
  } cases[] = {{1024, 768, 362, 355},
               {800, 600, 250, 271},
               {1025, 769, 362, 355},
               {1920, 1080, 810, 511},
               {0, 0, -150, -29}};
  for (const Case& c : cases) {
    const WindowRect rect = ProgressWindowRect(c.width, c.height);
    EXPECT_EQ(rect.x, c.x) << c.width;
    EXPECT_EQ(rect.y, c.y) << c.height;
    EXPECT_EQ(rect.width, 300);
    EXPECT_EQ(rect.height, 58);
  }
}

TEST(SelectionDialog, OpensWithKc1AndTheSystemLanguage) {
  const DialogChoice russian = InitialDialogChoice(0x0419);
  EXPECT_TRUE(russian.russian && !russian.english && russian.kc1 && !russian.kc2 && !russian.kc3);
  for (const std::uint16_t language : {0x0409, 0x0422, 0x0819}) {
    const DialogChoice other = InitialDialogChoice(language);
    EXPECT_TRUE(!other.russian && other.english && other.kc1) << language;
  }
}

TEST(SelectionDialog, NextAppendsTheCheckedPieces) {
  struct Case {
    DialogChoice choice;
    PackageSelection before, after;
  } cases[] = {
      {{true, false, true, false, false}, {}, {u"kc1*", u"rus*"}},
      {{false, true, false, false, true}, {}, {u"kc3*", u"eng*"}},
      {{false, true, false, true, false}, {u"*2*", u"*eng*"}, {u"*2*kc2*", u"*eng*eng*"}},
      {{true, true, true, true, true}, {}, {u"kc1*kc2*kc3*", u"rus*eng*"}},
      {{}, {u"*x*", u""}, {u"*x*", u""}},
  };
  for (const Case& c : cases) {
    PackageSelection selection = c.before;
    AppendDialogChoice(c.choice, selection);
    EXPECT_EQ(selection.levelPattern, c.after.levelPattern);
    EXPECT_EQ(selection.languagePattern, c.after.languagePattern);
  }
}

}  // namespace
}  // namespace setup
