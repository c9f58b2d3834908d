// Why a submission is held back in the quarantine rather than stored: a
// filled honeypot field, or a content score (spam_score.h) that reaches the
// group's threshold.
#pragma once

#include "common/settings/spam_options.h"
#include "common/text/param_list.h"
#include "common/text/text.h"
#include "insert/spam_score.h"

class CatalogGroup;

// Takes the honeypot field out of the posted fields of a submission that is
// stored: it is no data of the form's, and an empty one would be stored in
// every record.
void dropHoneypotField(CatalogGroup& app);

// The same for posted `fields` under `options` and `rules`: the decision
// alone, without reading anything.
Text spamReason(const ParamList& fields, const SpamOptions& options, const ContentRules& rules,
                int otherAddresses);

// The reason to quarantine the submission of `app`, or empty to store it.
// `otherAddresses`: how many other addresses sent the same content lately.
Text quarantineReason(CatalogGroup& app, int otherAddresses);

// Whether any content rule of spamRules gives the posted fields of `app` a
// point, however few: such a submission is stored, yet gets no mail to its
// visitor (a bot's victim would get it). False without spamRules.
bool contentScored(CatalogGroup& app, int otherAddresses);
