// Events counted for the metrics page, appended to "metrics.events" in the
// home by the program that saw them, one short line each:
//
//   submission<TAB>shop<TAB>stored
//   spam_layer<TAB>shop<TAB>honeypot
//
// the metric's name, the group as kalder.ini names it, and one label value
// (an outcome, a reason, a layer). Appending keeps counting off the answer's
// path: one write of less than PIPE_BUF bytes with O_APPEND, so concurrent
// programs never interleave their lines, each under a shared flock of the
// file, which a fold (metrics_state.h) renames aside and locks exclusively
// before it adds the lines to the totals of "metrics.state".
#pragma once

#include <string_view>

#include "common/text/text.h"

inline constexpr const char* kMetricEventsName = "metrics.events";

// The metrics the programs count, and their label values.
inline constexpr const char* kSubmissionMetric =
    "submission";  // stored, quarantined, held, invalid, refused_<why>
inline constexpr const char* kMailDeliveryMetric = "mail_delivery";  // delivered, retry, failed
inline constexpr const char* kWebhookDeliveryMetric = "webhook_delivery";  // the same
// honeypot, duplicate, rate_limit, rate_limit_network, rules, repeated_link,
// campaign, proof_of_work
inline constexpr const char* kSpamLayerMetric = "spam_layer";

// Appends one event to the events file of `home`; tabs and line breaks in a
// value become spaces and each value is cut to 64 bytes, so an event is
// always one bounded line. Counting is best effort: a failure is ignored.
void countMetricEvent(const Text& home, std::string_view metric, std::string_view group,
                      std::string_view label);
