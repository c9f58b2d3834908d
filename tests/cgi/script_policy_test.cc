// The script policy's header lines: the lines a guarded program's answers
// carry, with the source of the page's one script when it has one.
#include "common/cgi/script_policy.h"

#include <gtest/gtest.h>

#include "common/cgi/cgi_request.h"
#include "support/cgi_environment.h"

namespace {

const char kNoScriptLines[] =
    "Content-Security-Policy: frame-ancestors 'none'; script-src 'none'\n"
    "X-Content-Type-Options: nosniff\n";

// The process's request as a guarded program would be given it.
RequestContext guarded(const char* standingLines = "") {
  ProgramTraits traits;
  traits.guardPageScripts = true;
  traits.standingHeaderLines = standingLines;
  return RequestContext::fromProcess(traits);
}

}  // namespace

TEST(ScriptPolicy, LinesAdmitTheSourceOrNoScript) {
  EXPECT_EQ(scriptPolicyLines(""), kNoScriptLines);
  EXPECT_EQ(scriptPolicyLines("'sha256-x='"),
            "Content-Security-Policy: frame-ancestors 'none'; script-src 'sha256-x='\n"
            "X-Content-Type-Options: nosniff\n");
}

TEST(ScriptPolicy, GuardedAnswersCarryTheLinesAfterTheStandingOnes) {
  CgiEnvironment cgi;
  CgiRequest request(guarded("Cache-Control: no-store\n"), "text/html", "KALDERHOME");
  EXPECT_EQ(cgi.output(), "Content-type: text/html\nCache-Control: no-store\n" +
                              std::string(kNoScriptLines) + "\n");
}

TEST(ScriptPolicy, APageScriptIsAdmittedByItsSource) {
  CgiEnvironment cgi;
  CgiRequest request(guarded(), nullptr, "KALDERHOME");
  request.allowPageScript("'sha256-x='");
  request.writeHeader("text/html", "Allow: GET\n");
  EXPECT_EQ(cgi.output(), "Content-type: text/html\n" + scriptPolicyLines("'sha256-x='").str() +
                              "Allow: GET\n\n");
}

TEST(ScriptPolicy, UnguardedProgramsSendNoPolicy) {
  CgiEnvironment cgi;
  CgiRequest request(nullptr, "KALDERHOME");
  request.allowPageScript("'sha256-x='");
  request.writeHeader("text/html");
  EXPECT_EQ(cgi.output(), "Content-type: text/html\n\n");
}
