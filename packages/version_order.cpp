#include "packages/version_order.h"

#include <cstdint>

namespace setup {
namespace {

std::u16string_view UpToNul(std::u16string_view text) { return text.substr(0, text.find(u'\0')); }

bool IsPlainNumber(std::u16string_view field) {
  if (field.empty()) return false;
  for (const char16_t unit : field) {
    if (unit < u'0' || unit > u'9') return false;
  }
  return true;
}

int CompareNumbers(std::u16string_view a, std::u16string_view b) {
  // By their digits, so that no field is too long to compare.
  while (a.size() > 1 && a.front() == u'0') a.remove_prefix(1);
  while (b.size() > 1 && b.front() == u'0') b.remove_prefix(1);
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return OrdinalCompare(a, b);
}

// The next field of `version` from `position`, which moves past its dot; "0" once the
// version has no more fields.
std::u16string_view NextField(std::u16string_view version, std::size_t& position) {
  if (position > version.size()) return u"0";
  const std::size_t dot = version.find(u'.', position);
  const std::size_t end = dot == std::u16string_view::npos ? version.size() : dot;
  const std::u16string_view field = version.substr(position, end - position);
  position = end + 1;
  return field;
}

}  // namespace

int OrdinalCompare(std::u16string_view a, std::u16string_view b) {
  a = UpToNul(a);
  b = UpToNul(b);
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] != b[i]) {
      return static_cast<std::uint16_t>(a[i]) < static_cast<std::uint16_t>(b[i]) ? -1 : 1;
    }
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int CompareVersions(std::u16string_view a, std::u16string_view b) {
  a = UpToNul(a);
  b = UpToNul(b);
  std::size_t atA = 0;
  std::size_t atB = 0;
  while (atA <= a.size() || atB <= b.size()) {
    const std::u16string_view fieldA = NextField(a, atA);
    const std::u16string_view fieldB = NextField(b, atB);
    const int order = IsPlainNumber(fieldA) && IsPlainNumber(fieldB)
                          ? CompareNumbers(fieldA, fieldB)
                          : OrdinalCompare(fieldA, fieldB);
    if (order != 0) return order;
  }
  return 0;
}

}  // namespace setup
