// Unquoted attribute values of the administration pages.
#include "zorvik/page_markup.h"

#include <gtest/gtest.h>

#include "support/text_print.h"

namespace {

Text unquoted(std::string_view value) { return unquotedAttribute(value).text(); }

}  // namespace

TEST(UnquotedAttribute, QuotesOnlyWhatWouldEndTheAttribute) {
  EXPECT_EQ(unquoted("name_shop"), "name_shop");
  EXPECT_EQ(unquoted("name_a&b"), "name_a&amp;b");
  EXPECT_EQ(unquoted("name_my shop"), "\"name_my shop\"");
  EXPECT_EQ(unquoted("name_a\"b"), "name_a&quot;b");
  EXPECT_EQ(unquoted("desc_x=y"), "\"desc_x=y\"");
  EXPECT_EQ(unquoted("desc_it's"), "\"desc_it's\"");
  EXPECT_EQ(unquoted("a\tb"), "\"a\tb\"");
  EXPECT_EQ(unquoted(""), "\"\"");
}
