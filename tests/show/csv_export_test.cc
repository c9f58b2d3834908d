// The cells and names of the CSV export: letters in UTF-8, the guard against
// spreadsheet formulas, RFC 4180 quoting and the download's file name.
#include "show/csv_export.h"

#include <gtest/gtest.h>

#include "common/language/entities.h"
#include "support/text_print.h"

namespace {

TEST(EntitiesToUtf8, EveryEntityNameBecomesItsLetter) {
  Text names;
  for (const char* name : kEntityNames) names += name;
  EXPECT_EQ(entitiesToUtf8(names),
            "\xC4\x8D\xC5\xA1\xC5\xBE\xC4\x8C\xC5\xA0\xC5\xBD"          // č š ž Č Š Ž
            "\xC4\x87\xC4\x86\xC4\x91\xC4\x90"                          // ć Ć đ Đ
            "\xC3\xBC\xC3\x9C\xC3\xB6\xC3\x96\xC3\xAB\xC3\x8B\xC3\x9F"  // ü Ü ö Ö ë Ë ß
            "\xC3\xA9\xC3\x89\xC3\xA8\xC3\x88\xC3\xAA\xC3\x8A\xC3\xA2\xC3\x82"  // é É è È ê Ê â Â
            "\xC3\xBB\xC3\x9B\xC3\xA7\xC3\x87\xC5\x99\xC5\x98"                  // û Û ç Ç ř Ř
            "\xC3\xB1\xC3\x91\xC3\xB5\xC3\x95\xC3\xA6\xC3\x86\xC2\xA9");  // ñ Ñ õ Õ æ Æ ©
}

TEST(EntitiesToUtf8, OtherTextStaysAsItIs) {
  EXPECT_EQ(entitiesToUtf8("Ko&ccaron;evje"),
            "Ko\xC4\x8D"
            "evje");
  EXPECT_EQ(entitiesToUtf8("&ccaron"), "&ccaron");  // no semicolon, no entity
  EXPECT_EQ(entitiesToUtf8("&amp; &lt; AT&T &"), "&amp; &lt; AT&T &");
  EXPECT_EQ(entitiesToUtf8("&&scaron;"), "&\xC5\xA1");
  EXPECT_EQ(entitiesToUtf8("&CCARON;"), "&CCARON;");  // names are case-sensitive
  EXPECT_EQ(entitiesToUtf8("\xE8\x00x"), "\xE8");     // other bytes kept
  EXPECT_EQ(entitiesToUtf8(""), "");
}

TEST(CsvCell, PlainTextIsWrittenBare) {
  EXPECT_EQ(csvCell("Ana"), "Ana");
  EXPECT_EQ(csvCell(""), "");
  EXPECT_EQ(csvCell("semi;colon"), "semi;colon");
  EXPECT_EQ(csvCell("'quoted'"), "'quoted'");
  EXPECT_EQ(csvCell("5-3"), "5-3");
}

TEST(CsvCell, QuotesCommasAndLineBreaksAreQuoted) {
  EXPECT_EQ(csvCell("a,b"), "\"a,b\"");
  EXPECT_EQ(csvCell("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(csvCell("\""), "\"\"\"\"");
  EXPECT_EQ(csvCell("two\nlines"), "\"two\nlines\"");
  EXPECT_EQ(csvCell("cr\rhere"), "\"cr\rhere\"");
}

TEST(CsvCell, FormulaStartsGetASingleQuote) {
  EXPECT_EQ(csvCell("=SUM(A1:A9)"), "'=SUM(A1:A9)");
  EXPECT_EQ(csvCell("+1"), "'+1");
  EXPECT_EQ(csvCell("-5"), "'-5");
  EXPECT_EQ(csvCell("@cmd"), "'@cmd");
  EXPECT_EQ(csvCell("\t=1"), "'\t=1");
  EXPECT_EQ(csvCell("-"), "'-");
  EXPECT_EQ(csvCell("=HYPERLINK(\"x\",\"y\")"), "\"'=HYPERLINK(\"\"x\"\",\"\"y\"\")\"");
  EXPECT_EQ(csvCell(" =1"), " =1");  // only the first character counts
}

TEST(CsvCell, LettersAreConvertedBeforeTheChecks) {
  EXPECT_EQ(csvCell("&Scaron;tevilo, &scaron;t."), "\"\xC5\xA0tevilo, \xC5\xA1t.\"");
}

TEST(CsvFileName, KeepsLettersDigitsDashAndUnderscore) {
  EXPECT_EQ(csvFileName("orders"), "orders.csv");
  EXPECT_EQ(csvFileName("visits*"), "visits.csv");
  EXPECT_EQ(csvFileName("visits199903"), "visits199903.csv");
  EXPECT_EQ(csvFileName("a-b_C"), "a-b_C.csv");
  EXPECT_EQ(csvFileName("x\"; y\r\nSet-Cookie: z=1"), "xySet-Cookiez1.csv");
  EXPECT_EQ(csvFileName("../..\\etc"), "etc.csv");
  EXPECT_EQ(csvFileName("\xC4\x8D"), "records.csv");
  EXPECT_EQ(csvFileName(""), "records.csv");
}

}  // namespace
