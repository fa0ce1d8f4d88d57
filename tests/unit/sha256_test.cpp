#include "common/sha256.h"

#include <gtest/gtest.h>

namespace setup::testing {
namespace {

// The standard's test vectors, each fed whole and in uneven pieces across block edges.
TEST(Sha256, GivesTheStandardDigests) {
  const std::tuple<std::string, const char16_t*> cases[] = {
      {"", u"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", u"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       u"248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       u"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& [bytes, digest] : cases) {
    for (const std::size_t piece : {bytes.size() + 1, std::size_t{7}, std::size_t{65}}) {
      Sha256 hash;
      for (std::size_t at = 0; at < bytes.size(); at += piece) {
        hash.Update(std::string_view(bytes).substr(at, piece));
      }
      EXPECT_EQ(BytesHex(hash.Finish()), digest) << bytes.size() << " bytes in " << piece;
    }
  }
}

}  // namespace
}  // namespace setup::testing
