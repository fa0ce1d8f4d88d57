// Texts put together from pieces in one call: one function where a chain of `+` would put a
// temporary string and its release at every call site. A piece is UTF-16 text, a plain
// ASCII literal, which the program then carries at one byte a letter instead of two, or a
// number, written out only when the text is joined.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace setup {

// A number as a piece: in decimal (as DecimalText), or as "0x" and hexadecimal (HexText).
struct Decimal {
  constexpr explicit Decimal(std::uint32_t number) : value(number) {}
  std::uint32_t value;
};
struct Hex {
  constexpr explicit Hex(std::uint32_t number) : value(number) {}
  std::uint32_t value;
};

class Piece {
 public:
  // ASCII only: each byte becomes one code unit.
  constexpr Piece(const char* ascii) : data_(ascii), size_(kAscii) {}  // NOLINT
  constexpr Piece(std::u16string_view text)                            // NOLINT
      : data_(text.data()), size_(text.size()) {}
  Piece(const std::u16string& text) : data_(text.data()), size_(text.size()) {}  // NOLINT
  constexpr Piece(const char16_t* text) : Piece(std::u16string_view(text)) {}    // NOLINT
  constexpr Piece(Decimal number) : number_(number.value), size_(kDecimal) {}    // NOLINT
  constexpr Piece(Hex number) : number_(number.value), size_(kHex) {}            // NOLINT
  void AppendTo(std::u16string& text) const;

 private:
  // Two words a piece, set up at every call site: the size of UTF-16 text, or what the
  // piece is.
  static constexpr std::size_t kAscii = ~std::size_t{0};
  static constexpr std::size_t kDecimal = kAscii - 1;
  static constexpr std::size_t kHex = kAscii - 2;
  union {
    const void* data_;
    std::uint32_t number_;
  };
  std::size_t size_;
};

std::u16string Join(std::initializer_list<Piece> pieces);

}  // namespace setup
