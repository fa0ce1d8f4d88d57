#include "common/number_text.h"

namespace setup {

std::u16string DecimalText(std::uint32_t value, std::size_t width) {
  std::u16string text;
  do {
    text.insert(text.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  if (text.size() < width) text.insert(0, width - text.size(), u'0');
  return text;
}

std::u16string SignedText(std::int32_t value) {
  return value < 0 ? u"-" + DecimalText(0 - static_cast<std::uint32_t>(value))
                   : DecimalText(static_cast<std::uint32_t>(value));
}

std::u16string HexText(std::uint32_t value) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string text;
  do {
    text.insert(text.begin(), kDigits[value % 16]);
    value /= 16;
  } while (value != 0);
  return u"0x" + text;
}

}  // namespace setup
