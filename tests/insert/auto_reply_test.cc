// The pure parts of the mail to the visitor: which values are one address,
// the language variant of a template's path, the options, and the day's
// counts.
#include <gtest/gtest.h>

#include "common/language/language_file.h"
#include "common/mail/visitor_address.h"
#include "common/settings/group_options.h"
#include "insert/auto_reply_count.h"

namespace {

TEST(VisitorAddress, OnlyOneBareAddressPasses) {
  struct Case {
    std::string value;
    const char* address;
  } cases[] = {
      {"ana@example.org", "ana@example.org"},
      {"  Ana.B+news@mail.example.org\t", "Ana.B+news@mail.example.org"},
      {"a@example.org, b@example.org", ""},
      {"a@example.org;b@example.org", ""},
      {"a@example.org b@example.org", ""},
      {"a@example.org\nBcc: b@example.org", ""},
      {"a@example.org\r", ""},
      {"Ana <a@example.org>", ""},
      {"<a@example.org>", ""},
      {"\"a\"@example.org", ""},
      {"a@@example.org", ""},
      {"a@localhost", ""},
      {"a@[192.0.2.1]", ""},
      {".a@example.org", ""},
      {"a..b@example.org", ""},
      {"a@-x.example.org", ""},
      {"", ""},
      {std::string(250, 'a') + "@example.org", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(singleMailAddress(c.value), c.address) << c.value;
}

TEST(LanguageFile, VariantGoesBeforeTheEnding) {
  struct Case {
    const char* path;
    const char* variant;
  } cases[] = {{"thanks.tmt", "thanks.slo.tmt"},
               {"/srv/forms/thanks.tmt", "/srv/forms/thanks.slo.tmt"},
               {"/srv/f.d/thanks", "/srv/f.d/thanks.slo"},
               {"a.b.tmt", "a.b.slo.tmt"}};
  for (const Case& c : cases) EXPECT_EQ(languageVariantPath(c.path, "slo"), c.variant) << c.path;
  auto only = [](const char* existing) {
    return [existing](const Text& path) { return path == existing; };
  };
  EXPECT_EQ(languageFilePath("t.tmt", "slo", only("t.slo.tmt")), "t.slo.tmt");
  EXPECT_EQ(languageFilePath("t.tmt", "slo", only("t.tmt")), "t.tmt");
}

TEST(AutoReplyOptions, KeysAndFormOverride) {
  GroupOptions options = parseGroupOptions(
      "autoReply = email  thanks.tmt\nautoReply.Order=mail order.tmt\nautoReplyPerAddress=1\n"
      "autoReplyMaxPerDay=x\nlanguageFiles=on\nautoReply.broken=onlyonefield\n");
  EXPECT_EQ(options.autoReply.replyFor("other").field, "email");
  EXPECT_EQ(options.autoReply.replyFor("other").templateFile, "thanks.tmt");
  EXPECT_EQ(options.autoReply.replyFor("order").field, "mail");
  EXPECT_FALSE(options.autoReply.replyFor("broken").any());
  EXPECT_EQ(options.autoReply.perAddress, 1);
  EXPECT_EQ(options.autoReply.perDay, 100);
  EXPECT_TRUE(options.autoReply.languageFiles);
  EXPECT_FALSE(parseGroupOptions("").autoReply.replyFor("x").any());
}

TEST(AutoReplyCounts, LimitsPerAddressAndGroupForOneDay) {
  AutoReplyCounts group(2, 3);
  group.read("20261208 * 3\n20261208 m:a 2\n20261209 m:b 1\nbroken\n20261209 * 1\n", "20261209");
  EXPECT_TRUE(group.admit("m:a"));
  EXPECT_TRUE(group.admit("m:b"));
  EXPECT_FALSE(group.admit("m:c"));  // the group's three of the day
  EXPECT_EQ(group.text(), "20261209 m:b 2\n20261209 * 3\n20261209 m:a 1\n");

  AutoReplyCounts address(2, 100);
  address.read("", "20261209");
  EXPECT_TRUE(address.admit("m:a"));
  EXPECT_TRUE(address.admit("m:a"));
  EXPECT_FALSE(address.admit("m:a"));
  EXPECT_TRUE(address.admit("m:b"));
}

TEST(AutoReplyCounts, KeyHidesTheAddressAndIgnoresCase) {
  Text key = addressCountKey("secret", "Ana@Example.org");
  EXPECT_EQ(key, addressCountKey("secret", "ana@example.org"));
  EXPECT_NE(key, addressCountKey("other", "ana@example.org"));
  EXPECT_EQ(key.length(), 18);
  EXPECT_EQ(key.view().find("example"), std::string_view::npos);
}

}  // namespace
