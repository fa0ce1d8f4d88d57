// How the codes of several steps combine.
#include "common/exit_codes.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

TEST(CombineCodes, KeepsTheFirstFailureElseARestartElseSuccess) {
  struct Case {
    std::uint32_t first, second, expected;
  } cases[] = {
      {0, 0, 0},       {3010, 0, 3010}, {0, 3010, 3010},    {3010, 3010, 3010},
      {3010, 2, 2},    {2, 3010, 2},    {1603, 1618, 1603}, {1618, 1603, 1618},
      {0, 1641, 1641}, {1603, 0, 1603}, {0, 232, 232},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CombineCodes(c.first, c.second), c.expected) << c.first << " + " << c.second;
  }
}

}  // namespace
}  // namespace setup
