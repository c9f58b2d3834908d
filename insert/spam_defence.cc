// The honeypot check and the content score. People never see the honeypot
// field, so a value in it came from a program (a bot, or a browser's
// autofill, which is why the submission is kept in the quarantine rather
// than thrown away).
#include "insert/spam_defence.h"

#include "common/files/path.h"
#include "common/settings/catalog_group.h"
#include "insert/spam_score.h"
#include "insert/state_file.h"

namespace {

Text honeypotReason(CatalogGroup& app) {
  const Text& honeypot = app.options.spam.honeypot;
  if (honeypot.empty()) return Text();
  const Param* field = app.postParams().find(honeypot.view());
  if (field && (!field->value.empty() || !field->further.empty())) {
    return Text("honeypot field filled");
  }
  return Text();
}

ContentRules contentRules(CatalogGroup& app) {
  const SpamOptions& spam = app.options.spam;
  ContentRules rules{{}, spam.numericFields, spam.emptyFields};
  if (!spam.blockedWordsFile.empty()) {
    Text path = makePath(app.group.workDir, spam.blockedWordsFile);
    rules.blockedWords = readBlockedWords(readStateFile(path, 1 << 16).view());
  }
  return rules;
}

}  // namespace

Text quarantineReason(CatalogGroup& app, int otherAddresses) {
  if (Text reason = honeypotReason(app); !reason.empty()) return reason;
  const SpamOptions& spam = app.options.spam;
  if (!spam.spamRules) return Text();
  ContentScore score = scoreContent(app.postParams(), contentRules(app), otherAddresses);
  if (score.points < spam.spamThreshold) return Text();
  return "score " + Text::fromInt(score.points, 0) + ": " + score.reasons;
}
