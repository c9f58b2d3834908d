// The programs start as a web server starts them and answer with a header.
#include <gtest/gtest.h>

#include "support/cgi_run.h"
#include "support/test_home.h"

TEST(ProgramsStart, UnknownGroupIsAnErrorPage) {
  TestHome home;
  CgiResult result = runCgi(programPath("lunoder"), getEnvironment(home.path(), "lunoder", "nope", ""));
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("Unknown group of catalogs: <tt>nope</tt>"), std::string::npos);
  EXPECT_EQ(result.output.rfind("Content-type: text/html\n\n", 0), 0u);
}
