// Why a submission is held back in the quarantine rather than stored: a
// filled honeypot field, or a content score (spam_score.h) that reaches the
// group's threshold.
#pragma once

#include "common/text/text.h"

class CatalogGroup;

// The reason to quarantine the submission of `app`, or empty to store it.
// `otherAddresses`: how many other addresses sent the same content lately.
Text quarantineReason(CatalogGroup& app, int otherAddresses);
