// The content rules of the spamRules option: a score from simple rules
// over the posted fields, each rule naming itself in the reason. A score
// that reaches the threshold (3 unless set) quarantines the submission:
//
//   links         one link is a person's; each further one adds 1
//                 ("http://", "https://", "www.")
//   link markup   "<a " or "[url" anywhere: 3
//   script        three or more letters outside the Latin script (the
//                 forms' languages are English and Slovenian): 3;
//                 numeric references ("&#1087;") count as the letters they
//                 name, bytes that are no UTF-8 (a cp1250 form) as Latin
//   blocked word  each word or phrase of the administrator's list found,
//                 case ignored: 3
//   numeric field a field of numericFields holding more than digits,
//                 blanks and "+-/()."; 3
//   empty field   a filled field of emptyFields: 3
//   repeated      the same text with a link (the longest field that holds
//                 one) from two or more other addresses within the
//                 duplicate window (when it is on): 3
//   campaign      near-copies of a text with a link to another site from
//                 two or more other addresses within the campaign window
//                 (campaign_copies.h): 3
//
// Each rule that scores names its layer for the metrics page: "rules",
// "repeated_link" or "campaign".
#pragma once

#include <string_view>

#include "common/settings/spam_options.h"
#include "common/text/list.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

struct ContentRules {
  List<Text> blockedWords;  // lower case
  List<Text> numericFields;
  List<Text> emptyFields;
};

// What the submission's neighbours in the state files say about it.
struct SpamSignals {
  int otherAddresses = 0;    // sent the same text with a link lately
  bool campaign = false;     // near-copies of it within the campaign window
  bool proofFailed = false;  // proofOfWork is on and no valid solution came
};

struct ContentScore {
  long points = 0;
  Text reasons;                   // "links 2, script 3"
  List<std::string_view> layers;  // "rules", "campaign" ...
};

ContentScore scoreContent(const ParamList& fields, const ContentRules& rules,
                          const SpamSignals& signals = {});
// Adds `points` for `rule` to `score`, under `layer`; nothing for none.
void addPoints(ContentScore& score, std::string_view rule, std::string_view layer, long points);

// The words of a blocked words file: a word or phrase a line, trimmed and
// lowered; empty lines and lines that begin with "#" are skipped. At most
// kMaxBlockedWords are kept.
inline constexpr size_t kMaxBlockedWords = 1000;
List<Text> readBlockedWords(std::string_view content);
