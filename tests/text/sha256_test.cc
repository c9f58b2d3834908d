// SHA-256 against the FIPS 180-4 examples, HMAC-SHA-256 against RFC 4231.
#include "common/text/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DigestCase {
  std::string input;
  const char* hex;
};

TEST(Sha256, FipsExamples) {
  const DigestCase cases[] = {
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlm"
       "nopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const DigestCase& c : cases)
    EXPECT_EQ(toHex(sha256(c.input)), c.hex) << c.input.substr(0, 20);
}

// Every split of one input into two pieces gives the digest of the whole,
// across the block and padding boundaries (55, 56, 63, 64 bytes).
TEST(Sha256, PiecesGiveTheDigestOfTheWhole) {
  for (size_t length : {55u, 56u, 63u, 64u, 65u, 130u}) {
    std::string input(length, 'x');
    for (size_t i = 0; i < length; ++i) input[i] = static_cast<char>('a' + i % 26);
    std::string whole = toHex(sha256(input));
    for (size_t cut = 0; cut <= length; ++cut) {
      Sha256 hash;
      hash.update(std::string_view(input).substr(0, cut));
      hash.update(std::string_view(input).substr(cut));
      ASSERT_EQ(toHex(hash.finish()), whole) << length << " cut at " << cut;
    }
  }
}

struct HmacCase {
  std::string key;
  std::string message;
  const char* hex;
};

TEST(HmacSha256, Rfc4231Examples) {
  const HmacCase cases[] = {
      {std::string(20, '\x0b'), "Hi There",
       "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
      {"Jefe", "what do ya want for nothing?",
       "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
      {std::string(20, '\xaa'), std::string(50, '\xdd'),
       "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
      {std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
       "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
  };
  for (const HmacCase& c : cases) EXPECT_EQ(toHex(hmacSha256(c.key, c.message)), c.hex);
}

}  // namespace
