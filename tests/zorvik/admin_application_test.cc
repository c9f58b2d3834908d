// The password check of the administration program and the raw request body
// its pages read.
#include "zorvik/admin_application.h"

#include <gtest/gtest.h>

#include "support/cgi_environment.h"

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

TEST(RawBody, AdminPagesDecodeTheBodyWithoutQuoteLetters) {
  CgiEnvironment env;
  env.home().write("kalder.ini", "[GENERAL]\npassword=p\n");
  env.post("description=a+%22cool%22+idea&password=p");
  AdminApplication app;
  EXPECT_EQ(app.rawBody(), "description=a+%22cool%22+idea&password=p");
  // The request layer stored its normalised value; the page reads the raw one.
  EXPECT_EQ(app.postParams().value("description"), "a &ccaron;ool\" idea");
  app.run();
  EXPECT_EQ(app.postParams().value("description"), "a \"cool\" idea");
}

TEST(RawBody, ReadsNoMoreThanTheContentLength) {
  CgiEnvironment env;
  env.post("a=1&b=2");
  env.set("CONTENT_LENGTH", "3");
  AdminApplication app;
  EXPECT_EQ(app.rawBody(), "a=1");
}
