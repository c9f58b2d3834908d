// The script policy's header lines: the digest source of an inline script
// (known SHA-256 values) and the lines a guarded program's answers carry.
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

TEST(ScriptPolicy, SourceIsTheBase64OfTheScriptsDigest) {
  struct Case {
    const char* script;
    const char* source;
  };
  const Case cases[] = {
      {"", "'sha256-47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU='"},
      {"abc", "'sha256-ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0='"},
      {"\nalert(1);\n", "'sha256-L+t9q3v5LeakHkwTJJlqwHiLsxVtqG4eOt8NDvhN6eg='"},
  };
  for (const Case& c : cases) EXPECT_EQ(inlineScriptSource(c.script), c.source) << c.script;
}

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

TEST(ScriptPolicy, APageScriptIsAdmittedByItsDigest) {
  CgiEnvironment cgi;
  CgiRequest request(guarded(), nullptr, "KALDERHOME");
  request.allowPageScript("abc");
  request.writeHeader("text/html", "Allow: GET\n");
  EXPECT_EQ(cgi.output(), "Content-type: text/html\n" +
                              scriptPolicyLines(inlineScriptSource("abc")).str() +
                              "Allow: GET\n\n");
}

TEST(ScriptPolicy, UnguardedProgramsSendNoPolicy) {
  CgiEnvironment cgi;
  CgiRequest request(nullptr, "KALDERHOME");
  request.allowPageScript("abc");
  request.writeHeader("text/html");
  EXPECT_EQ(cgi.output(), "Content-type: text/html\n\n");
}
