// The escaping and link pieces of the administration pages.
#include "zorvik/page_markup.h"

#include <gtest/gtest.h>

#include <string>

TEST(EscapeValue, EscapesTheFourMarkupCharacters) {
  const struct {
    const char* in;
    const char* out;
  } rows[] = {
      {"", ""},
      {"plain text", "plain text"},
      {"a \"quoted\" word", "a &quot;quoted&quot; word"},
      {"<b>bold</b>", "&lt;b&gt;bold&lt;/b&gt;"},
      {"&ccaron;", "&amp;ccaron;"},  // the coding conversion must not see an entity name
      {"&amp;", "&amp;amp;"},
      {"'single'", "'single'"},
      {"\"", "&quot;"},
      {"100% \x9a", "100% \x9a"},  // bytes above 127 pass unchanged
  };
  for (const auto& row : rows) EXPECT_EQ(escapeAttribute(row.in), row.out) << row.in;
}

TEST(EscapeValue, KeepsZeroBytes) {
  std::string withZero("a\0b", 3);
  EXPECT_EQ(escapeAttribute(withZero).str(), withZero);
}

TEST(UnquotedAttribute, QuotesOnlyWhatWouldEndTheAttribute) {
  EXPECT_EQ(unquotedAttribute("name_shop"), "name_shop");
  EXPECT_EQ(unquotedAttribute("name_a&b"), "name_a&amp;b");
  EXPECT_EQ(unquotedAttribute("name_my shop"), "\"name_my shop\"");
  EXPECT_EQ(unquotedAttribute("name_a\"b"), "name_a&quot;b");
  EXPECT_EQ(unquotedAttribute("desc_x=y"), "\"desc_x=y\"");
  EXPECT_EQ(unquotedAttribute("desc_it's"), "\"desc_it's\"");
  EXPECT_EQ(unquotedAttribute("a\tb"), "\"a\tb\"");
  EXPECT_EQ(unquotedAttribute(""), "\"\"");
}

TEST(EncodeUrlPart, KeepsLanguageValuesAndEncodesTheRest) {
  EXPECT_EQ(percentEncode("slo"), "slo");
  EXPECT_EQ(percentEncode("slo,cp1250,ISO-8859-2"), "slo,cp1250,ISO-8859-2");
  EXPECT_EQ(percentEncode(",,UTF-8"), ",,UTF-8");
  EXPECT_EQ(percentEncode("a b&c=d#e?f\"g<h>"), "a%20b%26c%3Dd%23e%3Ff%22g%3Ch%3E");
  EXPECT_EQ(percentEncode("100%"), "100%25");
  EXPECT_EQ(percentEncode("\xE8/x"), "%E8%2Fx");
  EXPECT_EQ(percentEncode(""), "");
}
