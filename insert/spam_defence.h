// Why a submission is held back in the quarantine rather than stored: a
// filled honeypot field, or a score (spam_score.h, and a missing proof of
// work) that reaches the group's threshold.
#pragma once

#include <string_view>

#include "common/settings/spam_options.h"
#include "common/text/param_list.h"
#include "common/text/text.h"
#include "insert/spam_score.h"

class CatalogGroup;

// Takes the honeypot field out of the posted fields of a submission that is
// stored: it is no data of the form's, and an empty one would be stored in
// every record.
void dropHoneypotField(CatalogGroup& app);

// What the spam layers make of a submission: the reason to quarantine it
// (empty: store it), its points, and the layers that stopped or scored it.
struct SpamJudgement {
  Text reason;
  long points = 0;
  List<std::string_view> layers;
};

// The same for posted `fields` under `options` and `rules`: the decision
// alone, without reading anything.
SpamJudgement judgeSpam(const ParamList& fields, const SpamOptions& options,
                        const ContentRules& rules, const SpamSignals& signals);

// The judgement of the posted fields of `app`. A submission with points,
// however few, is stored yet gets no mail to its visitor (a bot's victim
// would get it).
SpamJudgement judgeSubmission(CatalogGroup& app, const SpamSignals& signals);

// One metric event a layer, for the metrics page's figures of what each
// layer stopped or scored.
void countSpamLayers(CatalogGroup& app, const List<std::string_view>& layers);
