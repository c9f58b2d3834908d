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

TEST(SpamOptions, SecondRoundKeysReadOrKeepWhatWasThere) {
  struct Case {
    const char* file;
    long campaignSeconds;
    const char* networkRates;
    long proofBits;
    long powScore;
  } cases[] = {
      {"uploadEndings=pdf\n", 0, "", 0, 3},
      {"campaignWindow=on\nrateLimitNetwork=on\nproofOfWork=on\n", 86400, "20/60 120/3600 ", 18, 3},
      {"rateLimit=2/minute\nrateLimitNetwork=on\ncampaignWindow=12h\nproofOfWork=20\npowScore=1\n",
       43200, "8/60 ", 20, 1},
      {"rateLimitNetwork=30/minute 200/hour\ncampaignWindow=2d\n", 172800, "30/60 200/3600 ", 0, 3},
      {"campaignWindow=on\ncampaignWindow=soon\nproofOfWork=on\nproofOfWork=99\npowScore=x\n",
       86400, "", 18, 3},
      {"campaignWindow=on\ncampaignWindow=off\nrateLimitNetwork=on\nrateLimitNetwork=off\n"
       "proofOfWork=on\nproofOfWork=off\n",
       0, "", 0, 3},
  };
  for (const Case& c : cases) {
    SpamOptions options = parseGroupOptions(c.file).spam;
    std::string network;
    for (const RateWindow& window : networkRateLimits(options))
      network += std::to_string(window.count) + "/" + std::to_string(window.seconds) + " ";
    EXPECT_EQ(options.campaignSeconds, c.campaignSeconds) << c.file;
    EXPECT_EQ(network, c.networkRates) << c.file;
    EXPECT_EQ(options.proofBits, c.proofBits) << c.file;
    EXPECT_EQ(options.powScore, c.powScore) << c.file;
  }
}
