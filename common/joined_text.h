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
  constexpr Piece(const char* ascii) : data_(ascii), size_(kAscii) {}  // NOLINT
  constexpr Piece(std::u16string_view text)                            // NOLINT
      : data_(text.data()), size_(text.size()) {}
  Piece(const std::u16string& text) : data_(text.data()), size_(text.size()) {}  // NOLINT
  constexpr Piece(const char16_t* text) : Piece(std::u16string_view(text)) {}    // NOLINT
  void AppendTo(std::u16string& text) const;

 private:
  // Two words a piece, set up at every call site: the size marks an ASCII literal.
  static constexpr std::size_t kAscii = ~std::size_t{0};
  const void* data_;
  std::size_t size_;
};

std::u16string Join(std::initializer_list<Piece> pieces);

}  // namespace setup
