// The password check of the administration program.
#include "zorvik/admin_application.h"

#include <gtest/gtest.h>

TEST(PasswordMatches, FoldsAsciiCaseOnly) {
  EXPECT_TRUE(passwordMatches("Secret", "Secret"));
  EXPECT_TRUE(passwordMatches("sECRET", "Secret"));
  EXPECT_TRUE(passwordMatches("a\"c<1", "A\"C<1"));
  EXPECT_FALSE(passwordMatches("\xE8", "\xC8"));  // bytes above 127 never change case
  EXPECT_TRUE(passwordMatches("", ""));
}

TEST(PasswordMatches, RefusesPrefixesExtensionsAndNeighbours) {
  EXPECT_FALSE(passwordMatches("Secre", "Secret"));
  EXPECT_FALSE(passwordMatches("Secret!", "Secret"));
  EXPECT_FALSE(passwordMatches("", "Secret"));
  EXPECT_FALSE(passwordMatches("Secres", "Secret"));
  EXPECT_FALSE(passwordMatches(std::string_view("Secret\0", 7), "Secret"));
  EXPECT_FALSE(passwordMatches("@", "`"));  // '@' ^ '`' is the case bit, but neither is a letter
}
