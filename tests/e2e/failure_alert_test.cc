// The administrator's digest of mails that do not arrive, through
// `insert --flush-mail` under faketime and a real SMTP server: listed are
// failed mails and mails waiting for more than a day, with links to the
// viewer; at most one digest every alertHours, none without the key, and a
// digest that fails is not listed by the next.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/cgi_run.h"
#include "support/smtp_sink.h"
#include "support/test_home.h"

namespace {

constexpr long long kNoon = 1796817600;  // 2026-12-09 12:00:00 UTC
constexpr long long kHour = 3600;

class FailureAlert : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(sink.port(), 0);
    std::filesystem::create_directories(home.file("outbox"));
  }

  void settings(const std::string& general) {
    home.write("kalder.ini", "[GENERAL]\nmailServer=127.0.0.1:" + std::to_string(sink.port()) +
                                 "\nserverName=www.example.org\n" + general +
                                 "[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
  }

  // A mail of the group "shop" in the outbox, created at `created`, its next
  // try far off.
  void mail(const std::string& id, const std::string& ending, long long created,
            const std::string& recipient) {
    home.write("outbox/" + id + ending, "message-id=<" + id +
                                            "@x>\ngroup=shop\ncatalog=orders\nlabel=" + id +
                                            "\ncatalog-path=" + home.file("orders.dat") +
                                            "\ncreated=" + std::to_string(created) +
                                            "\nnext=9999999999\nattempts=3\n"
                                            "reply=550 5.1.1 no such user " +
                                            id + "\nsender=s@example.org\nrecipient=" + recipient +
                                            "\nsubject=record " + id + "\n\nbody\n");
  }

  // insert.exe --flush-mail at `when` (seconds since the epoch, UTC).
  std::string flushAt(long long when) {
    std::time_t seconds = static_cast<std::time_t>(when);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", std::gmtime(&seconds));
    return runCommand("TZ=UTC " + atFakeTime(stamp) + programPath("insert") +
                      " --flush-mail --home " + home.path())
        .output;
  }

  SmtpSink sink{"refused"};
  TestHome home;
};

TEST_F(FailureAlert, DigestListsFailedAndLateMailsAtMostEveryNHours) {
  settings("administrator=admin@example.org\nalertHours=6\n");
  mail("20261209110000.000001.a", ".failed", kNoon - kHour, "gone@example.org");
  mail("20261208100000.000001.b", ".mail", kNoon - 26 * kHour, "slow@example.org");
  mail("20261209110000.000002.c", ".mail", kNoon - kHour, "fresh@example.org");
  flushAt(kNoon);
  std::vector<std::string> mails = sink.mails(1);
  ASSERT_EQ(mails.size(), 1u);
  std::string digest = SmtpSink::decoded(mails[0]);
  EXPECT_NE(digest.find("RCPT TO: <admin@example.org>\r\n"), std::string::npos) << digest;
  EXPECT_NE(digest.find("Subject: Mail delivery problems: 2\r\n"), std::string::npos) << digest;
  EXPECT_NE(digest.find("\r\nshop  orders  20261209110000.000001.a  failed  gone@example.org\r\n"
                        "  550 5.1.1 no such user 20261209110000.000001.a\r\n"
                        "  http://www.example.org/cgi-bin/show.exe/shop?label="
                        "20261209110000.000001.a&catalog=orders\r\n"),
            std::string::npos)
      << digest;
  EXPECT_NE(digest.find("waiting  slow@example.org"), std::string::npos) << digest;
  EXPECT_EQ(digest.find("fresh@example.org"), std::string::npos) << digest;

  // A new failure within the 6 hours waits; after them it is sent, and the
  // mails already reported alone send nothing.
  mail("20261209130000.000001.d", ".failed", kNoon + kHour, "late@example.org");
  flushAt(kNoon + 2 * kHour);
  EXPECT_EQ(sink.mails(2, 2).size(), 1u);
  flushAt(kNoon + 7 * kHour);
  mails = sink.mails(2);
  ASSERT_EQ(mails.size(), 2u);
  EXPECT_NE(mails[1].find("late@example.org"), std::string::npos) << mails[1];
  flushAt(kNoon + 14 * kHour);
  EXPECT_EQ(sink.mails(3, 2).size(), 2u);
}

// A digest the server refuses fails like any mail, and the next digest
// lists the mails of the group, never the failed digest.
TEST_F(FailureAlert, FailedDigestIsNotReported) {
  settings("administrator=refused-admin@example.org\nalertHours=1\n");
  mail("20261209110000.000001.a", ".failed", kNoon - kHour, "gone@example.org");
  flushAt(kNoon);
  mail("20261209130000.000001.d", ".failed", kNoon + kHour, "late@example.org");
  flushAt(kNoon + 2 * kHour);
  std::vector<std::string> digests;
  for (const auto& entry : std::filesystem::directory_iterator(home.file("outbox"))) {
    std::string text = home.read("outbox/" + entry.path().filename().string());
    if (text.find("\ngroup=\n") != std::string::npos) digests.push_back(text);
  }
  ASSERT_EQ(digests.size(), 2u);
  for (const std::string& digest : digests) {
    EXPECT_NE(digest.find("recipient=refused-admin@example.org\n"), std::string::npos);
    EXPECT_EQ(digest.find("  refused-admin@example.org"), std::string::npos) << digest;
  }
}

TEST_F(FailureAlert, NoDigestWithoutAlertHours) {
  settings("administrator=admin@example.org\n");
  mail("20261209110000.000001.a", ".failed", kNoon - kHour, "gone@example.org");
  flushAt(kNoon);
  EXPECT_TRUE(sink.mails(1, 2).empty());
  EXPECT_FALSE(home.exists("outbox/alert.stamp"));
}

}  // namespace
