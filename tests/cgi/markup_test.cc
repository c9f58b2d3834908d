// Markup and the page writers' escaping: outside text is escaped wherever it
// is written, the program's own markup is not, and the two escapes of the
// system (page text and exact values).
#include "common/cgi/markup.h"

#include <gtest/gtest.h>

#include <string>

#include "common/cgi/cgi_page.h"
#include "common/cgi/html_escape.h"
#include "support/cgi_environment.h"
#include "support/text_print.h"

TEST(PagePrint, EscapesTextArgumentsAndWritesMarkupAsItIs) {
  CgiEnvironment cgi;
  cgi.get("language=slo,cp1250");
  CgiPage page("text/html", "KALDERHOME");
  cgi.clearOutput();
  const Text outside("<b title='x'>\"&ccaron;\"</b>");
  page.print("<p>%s|%s|%s|%s|%ld</p>", outside, std::string("<i>"), Markup("<i>&scaron;</i>"),
             exactValue("&ccaron;<"), 7L);
  EXPECT_EQ(cgi.output(),
            "<p>&lt;b title=&#39;x&#39;&gt;&quot;\xE8&quot;&lt;/b&gt;|&lt;i&gt;|<i>\x9A</i>|"
            "&amp;ccaron;&lt;|7</p>");
}

TEST(MarkupFormat, LiteralsAreTheProgramsOwnAndPiecesJoin) {
  Markup row = Markup::format("<td>%s%s</td>", "<br>", Text("<br>"));
  row += "\n";
  EXPECT_EQ(("<tr>" + row).text(), "<tr><td><br>&lt;br&gt;</td>\n");
}

TEST(Escapes, PageTextAndExactValues) {
  const struct {
    const char* in;
    const char* pageText;
    const char* exact;
  } rows[] = {
      {"", "", ""},
      {"plain text", "plain text", "plain text"},
      {"a \"quoted\" word", "a &quot;quoted&quot; word", "a &quot;quoted&quot; word"},
      {"<b>bold</b>", "&lt;b&gt;bold&lt;/b&gt;", "&lt;b&gt;bold&lt;/b&gt;"},
      // Page text keeps entity names for the coding conversion; an exact
      // value must not let the conversion see one.
      {"&ccaron;", "&ccaron;", "&amp;ccaron;"},
      {"&amp;", "&amp;", "&amp;amp;"},
      {"'single'", "&#39;single&#39;", "'single'"},
      {"100% \x9a", "100% \x9a", "100% \x9a"},  // bytes above 127 pass unchanged
  };
  for (const auto& row : rows) {
    EXPECT_EQ(escapeHtml(row.in), row.pageText) << row.in;
    EXPECT_EQ(escapeAttribute(row.in), row.exact) << row.in;
  }
  std::string withZero("a\0b", 3);
  EXPECT_EQ(escapeHtml(withZero).str(), withZero);
  EXPECT_EQ(escapeAttribute(withZero).str(), withZero);
}
