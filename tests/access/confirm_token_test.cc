// Confirmation tokens: fresh ones are 32 lower-case hex digits and differ;
// only that shape passes the check that comes before any lookup; the hash
// kept is SHA-256 in hex.
#include "common/access/confirm_token.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ConfirmToken, FreshTokensHaveTheShapeAndDiffer) {
  Text first = newConfirmToken(), second = newConfirmToken();
  EXPECT_TRUE(isConfirmTokenShaped(first.view())) << first.str();
  EXPECT_TRUE(isConfirmTokenShaped(second.view()));
  EXPECT_NE(first.str(), second.str());
}

TEST(ConfirmToken, OnlyThirtyTwoLowerCaseHexDigitsAreShaped) {
  for (const std::string& text :
       {std::string(31, 'a'), std::string(33, 'a'), std::string(32, 'A'), std::string(32, 'g'),
        std::string(31, '0') + "/", std::string(31, '0') + '\0', std::string()})
    EXPECT_FALSE(isConfirmTokenShaped(text)) << text;
  EXPECT_TRUE(isConfirmTokenShaped("0123456789abcdef0123456789abcdef"));
}

TEST(ConfirmToken, HashIsSha256InHex) {
  EXPECT_EQ(confirmTokenHash("abc").str(),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
