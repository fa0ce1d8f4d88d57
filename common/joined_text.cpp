#include "common/joined_text.h"

#include "common/number_text.h"

namespace setup {

void Piece::AppendTo(std::u16string& text) const {
  if (size_ == kDecimal || size_ == kHex) {
    text += size_ == kDecimal ? DecimalText(number_) : HexText(number_);
    return;
  }
  if (size_ != kAscii) {
    text.append(static_cast<const char16_t*>(data_), size_);
    return;
  }
  for (const char* c = static_cast<const char*>(data_); *c != '\0'; ++c) {
    text += static_cast<char16_t>(*c);
  }
}

std::u16string Join(std::initializer_list<Piece> pieces) {
  std::u16string text;
  for (const Piece& piece : pieces) piece.AppendTo(text);
  return text;
}

}  // namespace setup
