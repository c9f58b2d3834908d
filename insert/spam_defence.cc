// The honeypot check and the content score. People never see the honeypot
// field, so a value in it came from a program (a bot, or a browser's
// autofill, which is why the submission is kept in the quarantine rather
// than thrown away).
#include "insert/spam_defence.h"

#include "common/files/path.h"
#include "common/metrics/metric_events.h"
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

SpamJudgement judgeSpam(const ParamList& fields, const SpamOptions& options,
                        const ContentRules& rules, const SpamSignals& signals) {
  SpamJudgement judgement;
  if (Text reason = honeypotReason(fields, options.honeypot); !reason.empty())
    return SpamJudgement{reason, 0, {"honeypot"}};
  ContentScore score = options.spamRules ? scoreContent(fields, rules, signals) : ContentScore{};
  addPoints(score, "proof of work", "proof_of_work", signals.proofFailed ? options.powScore : 0);
  judgement.points = score.points;
  judgement.layers = score.layers;
  if (score.points > 0 && score.points >= options.spamThreshold)
    judgement.reason = "score " + Text::fromInt(score.points, 0) + ": " + score.reasons;
  return judgement;
}

SpamJudgement judgeSubmission(CatalogGroup& app, const SpamSignals& signals) {
  const SpamOptions& spam = app.options.spam;
  if (spam.honeypot.empty() && !spam.spamRules && !signals.proofFailed) return SpamJudgement{};
  // The blocked words are read only for the rules that use them.
  ContentRules rules = spam.spamRules ? contentRules(app) : ContentRules{};
  return judgeSpam(app.postParams(), spam, rules, signals);
}

void countSpamLayers(CatalogGroup& app, const List<std::string_view>& layers) {
  for (std::string_view layer : layers)
    countMetricEvent(app.home(), kSpamLayerMetric, app.groupSettingsName.view(), layer);
}

void dropHoneypotField(CatalogGroup& app) {
  const Text& honeypot = app.options.spam.honeypot;
  if (honeypot.empty()) return;
  app.postParams().removeIf(
      [&](const Param& field) { return field.name.equalsIgnoreCase(honeypot.view()); });
}
