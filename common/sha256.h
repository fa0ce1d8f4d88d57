// SHA-256, computed by the program itself: Windows 2000 has none in its cryptographic
// providers, and a release's pins must be checked on every Windows it supports.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace setup {

class Sha256 {
 public:
  Sha256();
  void Update(std::string_view bytes);
  // The 32 bytes of the digest; the object is spent afterwards.
  std::string Finish();

 private:
  void Block(const unsigned char* block);
  std::uint32_t state_[8];
  unsigned char buffer_[64];
  std::uint64_t length_ = 0;
};

// Lower-case hexadecimal of bytes, as sha256sum writes a digest.
std::u16string BytesHex(std::string_view bytes);

}  // namespace setup
