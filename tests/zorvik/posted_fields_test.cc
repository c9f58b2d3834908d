// The raw decoding of posted fields and the capture of the request body.
#include "zorvik/posted_fields.h"

#include <gtest/gtest.h>

#include "support/cgi_environment.h"
#include "zorvik/admin_application.h"

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
