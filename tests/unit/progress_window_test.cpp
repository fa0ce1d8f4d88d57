#include "ui/progress_window.h"

#include <gtest/gtest.h>

#include "resources/resource_ids.h"

namespace setup {
namespace {

TEST(ProgressWindow, TitleNamesTheProviderOnlyWhenItIsInstalled) {
  EXPECT_EQ(ProgressTitleId(true), IDS_PROGRESS_WITH_PROVIDER);
  EXPECT_EQ(ProgressTitleId(false), IDS_PROGRESS_PLUGIN);
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

}  // namespace
}  // namespace setup
