// The raw decoding of posted fields: every field, or the one a password is.
#include "common/cgi/raw_fields.h"

#include <gtest/gtest.h>

namespace {

ParamList parsed(std::string_view body) {
  ParamList fields;
  parseRawFields(body, fields);
  return fields;
}

}  // namespace

TEST(ParseRawFields, KeepsQuoteLetterPairsAndDropsCarriageReturns) {
  ParamList fields = parsed("a=say+%22cheese%22&b=%22s%22z%22%22&c=line1%0D%0Aline2");
  EXPECT_EQ(fields.value("a"), "say \"cheese\"");
  EXPECT_EQ(fields.value("b"), "\"s\"z\"\"");
  EXPECT_EQ(fields.value("c"), "line1\nline2");
}

TEST(ParseRawFields, SkipsItemsWithoutNameOrValue) {
  ParamList fields = parsed("empty=&=nameless&noequals&ok=1&&cr=%0D");
  EXPECT_EQ(fields.size(), 1u);
  EXPECT_EQ(fields.value("ok"), "1");
}

TEST(ParseRawFields, MalformedEscapesAreDroppedNotReadPast) {
  EXPECT_EQ(parsed("a=%").value("a"), "");
  EXPECT_EQ(parsed("a=x%").value("a"), "x");
  EXPECT_EQ(parsed("a=x%9").value("a"), "x9");
  EXPECT_EQ(parsed("a=foo%zubar").value("a"), "foozubar");
  EXPECT_EQ(parsed("a=%00b").value("a").str(), std::string("\0b", 2));
}

TEST(ParseRawFields, AnEncodedEqualsSignStaysInTheName) {
  ParamList fields = parsed("fname_a%3Db=x%3Dy");
  EXPECT_EQ(fields.value("fname_a=b"), "x=y");
}

TEST(ParseRawFields, RepeatedNamesKeepTheFirstValueInPageOrder) {
  ParamList fields = parsed("name_Shop=first&other=1&name_shop=second");
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0].name, "name_Shop");
  EXPECT_EQ(fields.value("name_shop"), "first");
  EXPECT_EQ(fields.value("name_shop", 1), "second");
}

TEST(RawPostedField, DecodedWithoutQuoteLetterExpansion) {
  EXPECT_EQ(rawPostedField("password=a%22c%26ccaron%3B", "password"), "a\"c&ccaron;");
  EXPECT_EQ(rawPostedField("password=a\"c", "password"), "a\"c");
  EXPECT_EQ(rawPostedField("password=a+b%0D%0Ac", "password"), "a b\nc");
}

TEST(RawPostedField, FirstNonEmptyValueOfTheName) {
  EXPECT_EQ(rawPostedField("x=1&PassWord=P&password=Q", "password"), "P");
  EXPECT_EQ(rawPostedField("password=&password=Q", "password"), "Q");
  EXPECT_EQ(rawPostedField("pass%77ord=Z", "password"), "Z");
  EXPECT_EQ(rawPostedField("password&x=password=y", "password"), "");
  EXPECT_EQ(rawPostedField("passwords=1&apassword=2", "password"), "");
  EXPECT_EQ(rawPostedField("", "password"), "");
  EXPECT_EQ(rawPostedField("password=a=b", "password"), "a=b");
}
