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

TEST(CaptureRequestBody, HandsTheSameBytesToTheRequestLayer) {
  CgiEnvironment env;
  env.post("password=x&description=a+%22cool%22+idea", "", "");
  captureRequestBody();
  ASSERT_NE(capturedRequestBody(), nullptr);
  EXPECT_EQ(*capturedRequestBody(), "password=x&description=a+%22cool%22+idea");
  AdminApplication app;
  // The request layer decoded the same body, with its normalisation.
  EXPECT_EQ(app.postParams().value("description"), "a &ccaron;ool\" idea");
}

TEST(CaptureRequestBody, ReadsNoMoreThanTheContentLength) {
  CgiEnvironment env;
  env.post("a=1&b=2");
  env.set("CONTENT_LENGTH", "3");
  captureRequestBody();
  ASSERT_NE(capturedRequestBody(), nullptr);
  EXPECT_EQ(*capturedRequestBody(), "a=1");
}

TEST(CaptureRequestBody, NothingIsCapturedForAGet) {
  CgiEnvironment env;
  env.get("a=1");
  captureRequestBody();
  EXPECT_EQ(capturedRequestBody(), nullptr);
}

TEST(CaptureRequestBody, UnparsableContentLengthReadsNothing) {
  CgiEnvironment env;
  env.post("a=1");
  env.set("CONTENT_LENGTH", "-5");
  captureRequestBody();
  ASSERT_NE(capturedRequestBody(), nullptr);
  EXPECT_EQ(*capturedRequestBody(), "");
}
