// The spam defences a group turns on in its options file (group_options.h).
// Every defence is off until its key is given; a key whose value is "on"
// takes the defaults below, "off" turns the defence off again.
//
//   honeypot=website            a field people never fill (the form hides it);
//                               a filled one sends the submission to the
//                               quarantine
//   rateLimit=on                at most 5 submissions a minute and 30 an hour
//   rateLimit=3/minute 20/hour  from one client address; beyond: status 429
//                               (windows: second, minute, hour, day, or a
//                               number with s, m, h or d: "10/90s")
//   duplicateWindow=on          the same content from the same address within
//   duplicateWindow=10m         10 minutes is stored once; the visitor gets the
//                               answer of the first submission
//   spamRules=on                score the content (spam_score.h); a score that
//                               reaches spamThreshold sends the submission to
//                               the quarantine
//   spamThreshold=3             the score that quarantines (default 3)
//   blockedWordsFile=blocked.txt  words and phrases, one a line, each found
//                               (case ignored) adding 3; in the group's workdir
//   numericFields=phone zip     fields that must be empty or a number: 3 each
//   emptyFields=fax             fields that must stay empty: 3 each
//   quarantineDays=30           quarantined records older than this many
//                               days are removed
//   campaignWindow=on           near-copies of a text with a link (case,
//   campaignWindow=12h          blanks and numbers in links aside) from two
//                               or more other addresses within 24 hours (or
//                               the duration given): 3, as the repeated rule
//   rateLimitNetwork=on         the client's network (IPv4 /24, IPv6 /48) is
//   rateLimitNetwork=20/minute  limited too: four times each rateLimit
//                               window's count, or the windows given
//   proofOfWork=on              a submission without a solved challenge of
//   proofOfWork=20              this many bits (18 for on) scores powScore
//   powScore=3                  the points of a missing proof (default 3)
#pragma once

#include <string_view>

#include "common/text/list.h"
#include "common/text/text.h"

struct RateWindow {
  long count = 0;
  long seconds = 0;
};

struct SpamOptions {
  static constexpr long kDefaultQuarantineDays = 30;
  static constexpr long long kDefaultQuarantineMaxSize = 100LL << 20;

  Text honeypot;                // the field's name; empty: off
  List<RateWindow> rateLimits;  // empty: off
  long duplicateSeconds = 0;    // 0: off
  bool spamRules = false;
  long spamThreshold = 3;
  Text blockedWordsFile;  // empty: none
  List<Text> numericFields;
  List<Text> emptyFields;
  long quarantineDays = kDefaultQuarantineDays;
  long long quarantineMaxSize = kDefaultQuarantineMaxSize;  // bytes of the file (group_options.h)
  long campaignSeconds = 0;                                 // 0: off
  bool networkRateScaled = false;      // rateLimitNetwork=on: rateLimits, each count times 4
  List<RateWindow> networkRateLimits;  // the windows given; empty and not scaled: off
  long proofBits = 0;                  // 0: off
  long powScore = 3;
};

inline constexpr long kDefaultCampaignSeconds = 86400;
inline constexpr long kNetworkRateFactor = 4;
inline constexpr long kDefaultProofBits = 18;  // about a second of hashing on a phone
inline constexpr long kMaxProofBits = 30;

// The windows a client network is limited by: the ones given, or each
// rateLimit window (its defaults when it is off) with four times its count;
// empty when rateLimitNetwork is off.
List<RateWindow> networkRateLimits(const SpamOptions& options);

// Takes the option `key` (case ignored) into `options`; false when the key
// is no spam option. A value that does not read keeps the defence as it was.
bool readSpamOption(std::string_view key, std::string_view value, SpamOptions& options);

// "90s", "10m", "2h", "1d", "minute", "hour"... -> seconds; -1 for anything else.
long parseDuration(std::string_view text);
