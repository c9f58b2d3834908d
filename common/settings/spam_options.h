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
};

// Takes the option `key` (case ignored) into `options`; false when the key
// is no spam option. A value that does not read keeps the defence as it was.
bool readSpamOption(std::string_view key, std::string_view value, SpamOptions& options);

// "90s", "10m", "2h", "1d", "minute", "hour"... -> seconds; -1 for anything else.
long parseDuration(std::string_view text);
