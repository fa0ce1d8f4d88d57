#include "packages/version_order.h"

#include <gtest/gtest.h>

#include "tests/support/fake_windows.h"

namespace setup::testing {
namespace {

// Each pair both ways round, the orders being antisymmetric: by code units as text, and as
// versions, field by field by their numbers (anything but a plain number as text). The
// platform's strings end at their first NUL.
TEST(VersionOrder, ComparesTextByCodeUnitsAndVersionsByTheirFields) {
  const std::u16string withNul(u"1.0\u0000x", 5);
  const std::tuple<std::u16string, std::u16string, int, int> cases[] = {
      {u"3.6.5365", u"3.6.5365", 0, 0},
      {u"3.6.5365", u"3.6.5364", 1, 1},
      {u"3.6.5365", u"3.6.10000", 1, -1},
      {u"3.6.5365", u"4.0.9842", -1, -1},
      {u"3.6.5365", u"3.6", 1, 1},
      {u"3.9.8339", u"3.6.7777", 1, 1},
      {u"10.0.1", u"9.0.1", -1, 1},
      {u"2.0.10", u"2.0.9", -1, 1},
      {u"", u"1.0", -1, -1},
      {u"", u"", 0, 0},
      {u"a", u"A", 1, 1},
      {u"\uFFFF", u"a", 1, 1},
      {withNul, u"1.0", 0, 0},
      {u"2.1", u"2.1.0", -1, 0},
      {u"2.1", u"2.1.0.0", -1, 0},
      {u"2.1", u"2.1.1", -1, -1},
      {u"2.01.0", u"2.1", -1, 0},
      {u"007", u"7", -1, 0},
      {u"3.6.05365", u"3.6.5365", -1, 0},
      {u"2.0.1b", u"2.0.1a", 1, 1},
      {u"2.0.b", u"2.0.10", 1, 1},
      {u"2.0.-1", u"2.0.0", -1, -1},
      {u"2..1", u"2.0.1", -1, -1},
      {u"", u"0", -1, -1},
  };
  for (const auto& [a, b, ordinal, version] : cases) {
    const std::string pair = Utf8(a) + " vs " + Utf8(b);
    EXPECT_EQ(OrdinalCompare(a, b), ordinal) << pair;
    EXPECT_EQ(OrdinalCompare(b, a), -ordinal) << pair;
    EXPECT_EQ(CompareVersions(a, b), version) << pair;
    EXPECT_EQ(CompareVersions(b, a), -version) << pair;
  }
  // Fields too long for any integer are compared by their digits.
  EXPECT_EQ(CompareVersions(u"99999999999999999999.1", u"99999999999999999998.9"), 1);
  EXPECT_EQ(CompareVersions(u"99999999999999999998.9", u"99999999999999999999.1"), -1);
}

}  // namespace
}  // namespace setup::testing
