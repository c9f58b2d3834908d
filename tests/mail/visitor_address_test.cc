// The single address a mail to a visitor may go to: plain addresses pass;
// lists, display names, line breaks, comments and malformed parts do not.
#include "common/mail/visitor_address.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(VisitorAddress, OnlyOnePlainAddressPasses) {
  struct Case {
    std::string text;
    bool single;
  } cases[] = {
      {"ana@example.org", true},
      {"ana.novak+forms@mail.example.co.uk", true},
      {"A_B-c=d@x-y.example.org", true},
      {"", false},
      {"ana", false},
      {"ana@", false},
      {"@example.org", false},
      {"ana@localhost", false},
      {"ana@example.org,bor@example.org", false},
      {"ana@example.org bor@example.org", false},
      {"ana@example.org\r\nBcc: x@example.org", false},
      {"ana@example.org\n", false},
      {"Ana <ana@example.org>", false},
      {"<ana@example.org>", false},
      {"ana@example.org (Ana)", false},
      {"\"ana\"@example.org", false},
      {"ana@@example.org", false},
      {"a@b@example.org", false},
      {".ana@example.org", false},
      {"ana.@example.org", false},
      {"an..a@example.org", false},
      {"ana@example..org", false},
      {"ana@-example.org", false},
      {"ana@example-.org", false},
      {"ana@[192.0.2.1]", false},
      {"an|a@example.org", false},
      {std::string(65, 'a') + "@example.org", false},
      {std::string(64, 'a') + "@example.org", true},
      {"ana@" + std::string(64, 'b') + ".org", false},
      {"ana@example.org" + std::string(1, '\0'), false},
  };
  for (const Case& c : cases) EXPECT_EQ(!singleMailAddress(c.text).empty(), c.single) << c.text;
}

}  // namespace
