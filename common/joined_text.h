// Texts put together from pieces in one call: one function where a chain of `+` would put a
// temporary string and its release at every call site. A piece is UTF-16 text, or a plain
// ASCII literal, which the program then carries at one byte a letter instead of two.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace setup {

class Piece {
 public:
  // ASCII only: each byte becomes one code unit.
  Piece(const char* ascii) : ascii_(ascii) {}         // NOLINT(google-explicit-constructor)
  Piece(std::u16string_view text) : text_(text) {}    // NOLINT(google-explicit-constructor)
  Piece(const std::u16string& text) : text_(text) {}  // NOLINT(google-explicit-constructor)
  Piece(const char16_t* text) : text_(text) {}        // NOLINT(google-explicit-constructor)
  void AppendTo(std::u16string& text) const;

 private:
  const char* ascii_ = nullptr;
  std::u16string_view text_;
};

std::u16string Join(std::initializer_list<Piece> pieces);

}  // namespace setup
