#include "packages/version_order.h"

#include <gtest/gtest.h>

#include "tests/support/fake_windows.h"

namespace setup {
namespace {

using testing::Utf8;

struct OrderCase {
  std::u16string a, b;
  int expected;
};

// Each pair both ways round: the order is antisymmetric.
template <std::size_t N>
void ExpectOrder(int (*compare)(std::u16string_view, std::u16string_view),
                 const OrderCase (&cases)[N]) {
  for (const OrderCase& c : cases) {
    EXPECT_EQ(compare(c.a, c.b), c.expected) << Utf8(c.a) << " vs " << Utf8(c.b);
    EXPECT_EQ(compare(c.b, c.a), -c.expected) << Utf8(c.b) << " vs " << Utf8(c.a);
  }
}

TEST(OrdinalOrder, ComparesCodeUnitsAsText) {
  const OrderCase cases[] = {
      {u"3.6.5365", u"3.6.5365", 0},
      {u"3.6.5365", u"3.6.5364", 1},
      {u"3.6.5365", u"3.6.10000", 1},
      {u"3.6.5365", u"4.0.9842", -1},
      {u"3.6.5365", u"3.6", 1},
      {u"3.9.8339", u"3.6.7777", 1},
      {u"10.0.1", u"9.0.1", -1},
      {u"2.0.10", u"2.0.9", -1},
      {u"", u"1.0", -1},
      {u"", u"", 0},
      {u"a", u"A", 1},
      {u"\uFFFF", u"a", 1},
      // The platform's strings end at their first NUL.
      {std::u16string(u"1.0\u0000x", 5), u"1.0", 0},
  };
  ExpectOrder(OrdinalCompare, cases);
}

TEST(VersionOrder, ComparesFieldsByTheirNumbers) {
  const OrderCase cases[] = {
      {u"2.0.10", u"2.0.9", 1},
      {u"3.6.10000", u"3.6.5365", 1},
      {u"3.6.5364", u"3.6.5365", -1},
      {u"3.6.5365", u"3.6.5365", 0},
      {u"10.0.1", u"9.0.1", 1},
      {u"2.1", u"2.1.0", 0},
      {u"2.1", u"2.1.0.0", 0},
      {u"2.1", u"2.1.1", -1},
      {u"2.01.0", u"2.1", 0},
      {u"007", u"7", 0},
      {u"3.6.05365", u"3.6.5365", 0},
      {u"99999999999999999999.1", u"99999999999999999998.9", 1},
      // Anything but a plain number is compared as text, field by field.
      {u"2.0.1b", u"2.0.1a", 1},
      {u"2.0.b", u"2.0.10", 1},
      {u"2.0.-1", u"2.0.0", -1},
      {u"2..1", u"2.0.1", -1},
      {u"", u"0", -1},
      {u"", u"", 0},
      {std::u16string(u"1.0\u0000x", 5), u"1.0", 0},
  };
  ExpectOrder(CompareVersions, cases);
}

}  // namespace
}  // namespace setup
