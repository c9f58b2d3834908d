// The honeypot check and the content score. People never see the honeypot
// field, so a value in it came from a program (a bot, or a browser's
// autofill, which is why the submission is kept in the quarantine rather
// than thrown away).
#include "insert/spam_defence.h"

#include "common/files/path.h"
#include "common/settings/catalog_group.h"
#include "insert/spam_score.h"

namespace {

Text honeypotReason(const ParamList& fields, const Text& honeypot) {
  if (honeypot.empty()) return Text();
  const Param* field = fields.find(honeypot.view());
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
    rules.blockedWords = readBlockedWords(readFileBytes(path, nullptr, 1 << 16).view());
  }
  return rules;
}

}  // namespace

Text spamReason(const ParamList& fields, const SpamOptions& options, const ContentRules& rules,
                int otherAddresses) {
  if (Text reason = honeypotReason(fields, options.honeypot); !reason.empty()) return reason;
  if (!options.spamRules) return Text();
  ContentScore score = scoreContent(fields, rules, otherAddresses);
  if (score.points < options.spamThreshold) return Text();
  return "score " + Text::fromInt(score.points, 0) + ": " + score.reasons;
}

Text quarantineReason(CatalogGroup& app, int otherAddresses) {
  const SpamOptions& spam = app.options.spam;
  if (spam.honeypot.empty() && !spam.spamRules) return Text();
  // The blocked words are read only for the rules that use them.
  ContentRules rules = spam.spamRules ? contentRules(app) : ContentRules{};
  return spamReason(app.postParams(), spam, rules, otherAddresses);
}

bool contentScored(CatalogGroup& app, int otherAddresses) {
  if (!app.options.spam.spamRules) return false;
  return scoreContent(app.postParams(), contentRules(app), otherAddresses).points > 0;
}

void dropHoneypotField(CatalogGroup& app) {
  const Text& honeypot = app.options.spam.honeypot;
  if (honeypot.empty()) return;
  app.postParams().removeIf(
      [&](const Param& field) { return field.name.equalsIgnoreCase(honeypot.view()); });
}
