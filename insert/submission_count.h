// Counting what became of a submission, for the metrics page: one event per
// outcome ("stored", "quarantined", "held" for a confirmation, and
// "refused_<why>": "rate_limit", "duplicate", "origin", "quarantine_full"
// and the refusals of a request's body, request_refusal.h). A request that
// is no POST is not counted: it must leave no file behind.
#pragma once

#include <string_view>

#include "common/settings/catalog_group.h"

// Counts `outcome` for the group of `app`; nothing when it has none.
void countSubmission(const CatalogGroup& app, std::string_view outcome);
