#include "common/joined_text.h"

namespace setup {

std::u16string Join(std::initializer_list<std::u16string_view> pieces) {
  std::size_t size = 0;
  for (const std::u16string_view piece : pieces) size += piece.size();
  std::u16string text;
  text.reserve(size);
  for (const std::u16string_view piece : pieces) text += piece;
  return text;
}

}  // namespace setup
