// The spam options of a group's options file: every defence off without its
// key, "on" takes the defaults, and a value that does not read changes
// nothing.
#include "common/settings/spam_options.h"

#include <gtest/gtest.h>

#include "common/settings/group_options.h"

namespace {

std::string limits(const SpamOptions& options) {
  std::string text;
  for (const RateWindow& window : options.rateLimits)
    text += std::to_string(window.count) + "/" + std::to_string(window.seconds) + " ";
  return text;
}

}  // namespace

TEST(SpamOptions, EveryDefenceIsOffWithoutItsKey) {
  SpamOptions options = parseGroupOptions("uploadEndings=pdf\n").spam;
  EXPECT_TRUE(options.honeypot.empty());
  EXPECT_TRUE(options.rateLimits.empty());
  EXPECT_EQ(options.duplicateSeconds, 0);
  EXPECT_FALSE(options.spamRules);
  EXPECT_EQ(options.quarantineDays, 30);
}

TEST(SpamOptions, ValuesReadOrKeepWhatWasThere) {
  struct Case {
    const char* file;
    const char* rates;
    long duplicateSeconds;
  } cases[] = {
      {"rateLimit=on\nduplicateWindow=on\n", "5/60 30/3600 ", 600},
      {"RATELIMIT = 3/minute 20/hour\nduplicateWindow=30s\n", "3/60 20/3600 ", 30},
      {"rateLimit=10/90s, 100/1d\nduplicateWindow=2h\n", "10/90 100/86400 ", 7200},
      {"rateLimit=on\nrateLimit=5/fortnight\nduplicateWindow=on\nduplicateWindow=-1m\n",
       "5/60 30/3600 ", 600},
      {"rateLimit=on\nrateLimit=off\nduplicateWindow=10m\nduplicateWindow=off\n", "", 0},
      {"rateLimit=0/minute\nrateLimit=/minute\nduplicateWindow=m\n", "", 0},
  };
  for (const Case& c : cases) {
    SpamOptions options = parseGroupOptions(c.file).spam;
    EXPECT_EQ(limits(options), c.rates) << c.file;
    EXPECT_EQ(options.duplicateSeconds, c.duplicateSeconds) << c.file;
  }
}

TEST(SpamOptions, RulesAndTheirLists) {
  SpamOptions options = parseGroupOptions(
                            "honeypot=website\nspamRules=on\nspamThreshold=5\nspamThreshold=x\n"
                            "blockedWordsFile=blocked.txt\nnumericFields=phone, zip\n"
                            "emptyFields=fax\nquarantineDays=14\nquarantineDays=0\n")
                            .spam;
  EXPECT_EQ(options.honeypot, "website");
  EXPECT_TRUE(options.spamRules);
  EXPECT_EQ(options.spamThreshold, 5);
  EXPECT_EQ(options.blockedWordsFile, "blocked.txt");
  ASSERT_EQ(options.numericFields.size(), 2u);
  EXPECT_EQ(options.numericFields[1], "zip");
  EXPECT_EQ(options.emptyFields.size(), 1u);
  EXPECT_EQ(options.quarantineDays, 14);
}
