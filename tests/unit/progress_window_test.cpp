#include "ui/progress_window.h"

#include <gtest/gtest.h>

#include <tuple>

namespace setup::testing {
namespace {

TEST(ProgressWindow, IsCentredByIntegerHalves) {
  const std::tuple<int, int, int, int> cases[] = {
      {1024, 768, 362, 355},  {800, 600, 250, 271}, {1025, 769, 362, 355},
      {1920, 1080, 810, 511}, {0, 0, -150, -29},
  };
  for (const auto& [width, height, x, y] : cases) {
    const WindowRect rect = ProgressWindowRect(width, height);
    EXPECT_EQ(std::tuple(rect.x, rect.y, rect.width, rect.height), std::tuple(x, y, 300, 58))
        << width << "x" << height;
  }
}

}  // namespace
}  // namespace setup::testing
