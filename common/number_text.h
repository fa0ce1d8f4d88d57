// Numbers as the program writes them into its texts: messages, command lines, the log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace setup {

// Decimal digits, padded with zeros to at least `width`. 32 bits are all the program
// writes, and keep 64-bit division out of a 32-bit program.
std::u16string DecimalText(std::uint32_t value, std::size_t width = 1);
// A minus sign where the value is negative.
std::u16string SignedText(std::int32_t value);
// "0x" and lower-case hexadecimal digits.
std::u16string HexText(std::uint32_t value);

}  // namespace setup
