// The programs start as a web server starts them and answer with a header.
#include <gtest/gtest.h>

#include "support/cgi_run.h"
#include "support/test_home.h"

TEST(ProgramsStart, UnknownGroupIsAnErrorPage) {
  TestHome home;
  CgiResult result =
      runCgi(programPath("lunoder"), getEnvironment(home.path(), "lunoder", "nope", ""));
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("Unknown group of catalogs: <tt>nope</tt>"), std::string::npos);
  // An answer of an administration program, error pages included, is neither
  // cached nor framed, and no script runs in it.
  EXPECT_EQ(
      result.output.rfind("Content-type: text/html\nCache-Control: no-store\n"
                          "X-Frame-Options: DENY\n"
                          "Content-Security-Policy: frame-ancestors 'none'; script-src 'none'\n"
                          "X-Content-Type-Options: nosniff\n\n",
                          0),
      0u);
}
