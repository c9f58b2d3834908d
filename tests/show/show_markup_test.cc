// The small pieces of the viewer's pages: record list previews, dates and
// times.
#include <gtest/gtest.h>

#include "show/catalog_pages.h"
#include "show/show_application.h"
#include "support/text_print.h"

namespace {

TEST(Shortened, CutsLongTextsOnly) {
  EXPECT_EQ(shortened("abc", 3), "abc");
  EXPECT_EQ(shortened("abcd", 3), "abc...");
}

TEST(PreviewValue, FirstLineCutAtASafePlace) {
  EXPECT_EQ(previewValue("short", 10), "short");
  EXPECT_EQ(previewValue("one\ntwo", 10), "one...");
  EXPECT_EQ(previewValue("0123456789abc", 10), "0123456789...");
  EXPECT_EQ(previewValue("01234&ccaron;xyz", 10), "01234...");  // no half entity name
  EXPECT_EQ(previewValue("0123&ccaron;xyz", 11), "0123...");
  EXPECT_EQ(previewValue("012345678\xC4\x8Dxyz", 10), "012345678...");  // no half letter
  EXPECT_EQ(previewValue("AT&T and more text", 10), "AT&T and m...");
  EXPECT_EQ(previewValue("", 10), "");
}

TEST(ListDate, StoredDatesInThePageLanguage) {
  EXPECT_EQ(listDate("20240201", 0), "Feb 1, 2024");
  EXPECT_EQ(listDate("20240201", 1), "1. 2. 2024");
  EXPECT_EQ(listDate("20241301", 0), "20241301");
  EXPECT_EQ(listDate("2024020", 0), "2024020");
  EXPECT_EQ(listDate("<b>", 0), "&lt;b&gt;");
  EXPECT_EQ(listDate("", 0), "");
}

TEST(ListTime, StoredTimesWithTwoDigitHours) {
  EXPECT_EQ(listTime("0905", 0), "09:05");
  EXPECT_EQ(listTime("2359", 1), "23:59");
  EXPECT_EQ(listTime("2460", 0), "2460");
  EXPECT_EQ(listTime("9:05", 0), "9:05");
}

}  // namespace
