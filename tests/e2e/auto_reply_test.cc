// The mail to the visitor (autoReply) through the outbox and a real SMTP
// server: one address gets it, anything else none; the daily limits per
// address and per group across days (under faketime); quarantined and
// scored submissions get none; the template of the request's language.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/cgi_run.h"
#include "support/smtp_sink.h"
#include "support/test_home.h"

namespace {

class AutoReply : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(sink.port(), 0);
    home.write("kalder.ini",
               "[GENERAL]\nmailServer=127.0.0.1:" + std::to_string(sink.port()) +
                   "\nserverName=www.example.org\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("order.msg", "Thanks.\n");
    home.write("shop.grp", "vars=DT\nindex=none\nform=order\ncatalog=orders order\n");
    home.write("thanks.tmt",
               "shop@example.org\nThanks <var name>\nDear <var name>: <var &label>\n");
  }

  CgiResult submit(const std::string& body, const std::string& query = "") {
    return runCgi(programPath("insert"),
                  postEnvironment(home.path(), "insert", "shop", query, body), body);
  }

  // A CGI run at the local time `when`: faketime's library preloaded, which
  // AddressSanitizer must be told to accept. The detached mail run inherits
  // the time.
  CgiResult submitAt(const std::string& when, const std::string& body) {
    Environment env = postEnvironment(home.path(), "insert", "shop", "", body);
    env["LD_PRELOAD"] = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";
    env["FAKETIME"] = "@" + when;
    env["ASAN_OPTIONS"] = "verify_asan_link_order=0";
    CgiProcess process(programPath("insert"), env, body);
    return process.wait();
  }

  // The recipients of the mails that arrived, once `count` did (or `seconds`
  // passed).
  std::vector<std::string> recipients(size_t count, int seconds = 10) {
    std::vector<std::string> found;
    for (const std::string& mail : sink.mails(count, seconds)) {
      size_t at = mail.find("RCPT TO: <");
      found.push_back(at == std::string::npos ? ""
                                              : mail.substr(at + 10, mail.find('>', at) - at - 10));
    }
    return found;
  }

  SmtpSink sink;
  TestHome home;
};

// Only a value that is one address and nothing more is mailed; the record
// is stored either way, and a visitor's line break stays off the header.
TEST_F(AutoReply, OnlyOneAddressGetsTheMail) {
  home.write("shop.grp.options", "autoReply=email thanks.tmt\n");
  const char* refused[] = {
      "a%40example.org%2C+b%40example.org",           // a list
      "a%40example.org%3B+b%40example.org",           // with a semicolon
      "a%40example.org%0D%0ABcc%3A+b%40example.org",  // a line break
      "Ana+%3Ca%40example.org%3E",                    // a display name
      "%3Ca%40example.org%3E",                        // angle brackets
      "a%40example.org&email=b%40example.org",        // the field twice
      "not-an-address",
  };
  for (const char* value : refused)
    ASSERT_EQ(submit(std::string("name=x&email=") + value).status, 0) << value;
  ASSERT_EQ(submit("name=Ana%0D%0ABcc%3A+evil%40example.org&email=+ok%40example.org+").status, 0);
  std::vector<std::string> mails = sink.mails(2, 3);
  ASSERT_EQ(mails.size(), 1u);
  std::string mail = SmtpSink::decoded(mails[0]);
  EXPECT_NE(mail.find("MAIL FROM: <shop@example.org>\r\nRCPT TO: <ok@example.org>\r\n"),
            std::string::npos)
      << mail;
  EXPECT_NE(mail.find("\r\nSubject: Thanks Ana Bcc: evil@example.org\r\n"), std::string::npos)
      << mail;
  EXPECT_NE(mail.find("\r\n\r\nDear Ana\r\nBcc: evil@example.org: 8\r\n"), std::string::npos)
      << mail;
  EXPECT_NE(home.read("orders.dat").find("&LABEL==8\n"), std::string::npos);
}

// Two a day to one address, three a day for the group; the next day counts
// afresh. The counters hold no address.
TEST_F(AutoReply, DailyLimitsPerAddressAndGroupAcrossDays) {
  home.write("shop.grp.options",
             "autoReply=email thanks.tmt\nautoReplyPerAddress=2\nautoReplyMaxPerDay=3\n");
  struct Step {
    const char* when;
    const char* address;
  } steps[] = {{"2026-12-09 10:00:00", "a"}, {"2026-12-09 10:01:00", "a"},
               {"2026-12-09 10:02:00", "a"}, {"2026-12-09 10:03:00", "b"},
               {"2026-12-09 10:04:00", "c"}, {"2026-12-10 09:00:00", "c"},
               {"2026-12-10 09:01:00", "a"}};
  for (const Step& step : steps)
    ASSERT_EQ(submitAt(step.when, std::string("email=") + step.address + "%40example.org").status,
              0)
        << step.when;
  // A run under one simulated day may hold the runner lock while a mail of
  // the next is queued, which then is not due by its clock: --all sends it.
  runMailCommand(home.path(), "--all");
  std::vector<std::string> got = recipients(6, 5);
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::string>{"a@example.org", "a@example.org", "a@example.org",
                                           "b@example.org", "c@example.org"}));
  std::string counts = home.read("shop.grp.replies");
  EXPECT_EQ(counts.find("example.org"), std::string::npos) << counts;
  EXPECT_EQ(counts.find("20261209"), std::string::npos) << counts;
  EXPECT_NE(counts.find("20261210 * 2\n"), std::string::npos) << counts;
}

// A quarantined submission and one that a content rule scored below the
// threshold (stored) get none; a clean one gets its mail.
TEST_F(AutoReply, QuarantinedAndScoredSubmissionsGetNone) {
  home.write("shop.grp.options", "autoReply=email thanks.tmt\nhoneypot=website\nspamRules=on\n");
  ASSERT_EQ(submit("email=held%40example.org&website=x").status, 0);
  ASSERT_EQ(submit("email=scored%40example.org&note=http%3A%2F%2Fa.example+http%3A%2F%2Fb.example")
                .status,
            0);
  ASSERT_EQ(submit("email=clean%40example.org&note=hello").status, 0);
  EXPECT_EQ(recipients(2, 3), std::vector<std::string>{"clean@example.org"});
  std::string stored = home.read("orders.dat");
  EXPECT_NE(stored.find("scored@example.org"), std::string::npos);
  EXPECT_EQ(stored.find("held@example.org"), std::string::npos);
}

// With languageFiles=on a Slovenian request takes thanks.slo.tmt; an English
// one, or any without the option, thanks.tmt.
TEST_F(AutoReply, LanguageFilesPickTheTemplate) {
  home.write("thanks.slo.tmt", "shop@example.org\nHvala\nZapis <var &label>\n");
  struct Case {
    const char* options;
    const char* query;
    const char* subject;
  } cases[] = {{"languageFiles=on\n", "language=slo", "Hvala"},
               {"languageFiles=on\n", "language=eng", "Thanks x"},
               {"", "language=slo", "Thanks x"}};
  size_t arrived = 0;
  for (const Case& c : cases) {
    home.write("shop.grp.options", std::string("autoReply=email thanks.tmt\n") + c.options);
    ASSERT_EQ(submit("name=x&email=a%40example.org", c.query).status, 0);
    std::vector<std::string> mails = sink.mails(++arrived);
    ASSERT_EQ(mails.size(), arrived);
    EXPECT_NE(mails.back().find("\r\nSubject: " + std::string(c.subject) + "\r\n"),
              std::string::npos)
        << c.options << c.query << mails.back();
  }
}

}  // namespace

// The count of mails to an address is a person's data too: the search
// shows it, the erasure takes its line and keeps the group's total.
TEST_F(AutoReply, PersonSearchShowsAndErasesTheAddressCount) {
  home.write("kalder.ini", home.read("kalder.ini").replace(10, 0, "password=Secret\n"));
  home.write("shop.grp.options", "autoReply=email thanks.tmt\n");
  ASSERT_EQ(submit("name=Ana&email=ana%40example.org").status, 0);
  EXPECT_EQ(recipients(1), std::vector<std::string>{"ana@example.org"});
  auto show = [&](const std::string& body) {
    return runCgi(programPath("show"), postEnvironment(home.path(), "show", "shop", "", body),
                  body);
  };
  auto lines = [&] {
    std::string text = home.read("shop.grp.replies");
    return std::count(text.begin(), text.end(), '\n');
  };
  ASSERT_EQ(lines(), 2);
  CgiResult found = show("password=Secret&person=Ana%40Example.org");
  EXPECT_NE(found.output.find("limit of replies to visitors: 1."), std::string::npos)
      << found.output;
  ASSERT_EQ(show("password=Secret&person=ana%40example.org&eraseperson=2&labels=").status, 0);
  EXPECT_EQ(lines(), 1);
  EXPECT_NE(home.read("shop.grp.replies").find(" * 1\n"), std::string::npos);
}
