// Turning a fuzzer's bytes into the program's inputs: 16-bit units and lists of texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace setup::fuzzing {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return position_ >= size_; }

  std::uint16_t Unit() {
    std::uint16_t unit = 0;
    if (position_ < size_) unit = data_[position_++];
    if (position_ < size_) unit = static_cast<std::uint16_t>(unit | data_[position_++] << 8);
    return unit;
  }

  // Units up to a 0 unit or the end.
  std::u16string Text() {
    std::u16string text;
    while (!empty()) {
      const std::uint16_t unit = Unit();
      if (unit == 0) break;
      text.push_back(static_cast<char16_t>(unit));
    }
    return text;
  }

  std::vector<std::u16string> Texts() {
    std::vector<std::u16string> texts;
    while (!empty()) texts.push_back(Text());
    return texts;
  }

  std::u16string Rest() {
    std::u16string text;
    while (!empty()) text.push_back(static_cast<char16_t>(Unit()));
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

}  // namespace setup::fuzzing
