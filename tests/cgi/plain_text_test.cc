// The plain text of a message for a JSON answer: what a browser would show
// of the error page's markup, in UTF-8.
#include "common/cgi/plain_text.h"

#include <gtest/gtest.h>

namespace {

TEST(PlainText, ReadsMarkupAsTheBrowserShowsIt) {
  struct Row {
    const char* markup;
    const char* text;
  } rows[] = {
      {"Ne najdem obrazca <tt>a&lt;b&#39;&quot;</tt>", "Ne najdem obrazca a<b'\""},
      {"vzd&zcaron;evalca &Ccaron;e &copy;",
       "vzd\xc5\xbe"
       "evalca \xc4\x8c"
       "e \xc2\xa9"},
      {"&#x10FFFF; &#269; &#xD800; &#1114112;",
       "\xf4\x8f\xbf\xbf \xc4\x8d \xef\xbf\xbd \xef\xbf\xbd"},
      {"&unknown; & &#; &#x; &# 12; &#12", "&unknown; & &#; &#x; &# 12; &#12"},
      {"a <b unclosed", "a "},
  };
  for (const Row& row : rows) EXPECT_EQ(plainText(row.markup), row.text) << row.markup;
}

}  // namespace
