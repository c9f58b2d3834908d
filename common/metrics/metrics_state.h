// The totals of the counted events (metric_events.h), reader and writer side
// by side, and the fold that adds the events to them. "metrics.state" in the
// home holds one line for the fold it last made, then one line per total:
//
//   folded=17
//   submission<TAB>shop<TAB>stored<TAB>1042
//   mail_delivery<TAB>shop<TAB>retry<TAB>3
//
// A fold takes "metrics.lck" exclusively, renames "metrics.events" aside to
// "metrics.events.<fold number>", waits for the appenders that still hold
// the renamed file, adds its lines, writes the state through a temporary
// file (with the new fold number) and then removes the aside file. A fold
// that dies before the state is written leaves the aside file to the next
// fold; one that dies after it, an aside file whose number the state already
// holds, which the next fold removes unread: no event counts twice or never.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <tuple>

#include "common/text/text.h"

inline constexpr const char* kMetricStateName = "metrics.state";

// metric, group, label value.
using MetricKey = std::tuple<std::string, std::string, std::string>;
using MetricTotals = std::map<MetricKey, long long>;

struct MetricState {
  long long folded = 0;  // the number of the last fold
  MetricTotals totals;
};

// Adds the complete event lines of `events` to `totals`; a last line
// without its line feed and lines without three values are skipped.
void addMetricEvents(std::string_view events, MetricTotals& totals);

// The state that the bytes of a state file hold; malformed lines are skipped.
MetricState parseMetricState(std::string_view content);
Text metricStateText(const MetricState& state);

// Folds the events of `home` into its state; false when the lock, the events
// or the state could not be read or written (the events then wait for the
// next fold).
bool foldMetricEvents(const Text& home);

// Whether enough events wait for a detached run to be worth starting only
// to fold them: the run after a submission folds whenever it runs, which is
// not after every submission (only one with mail to send or records to
// expire starts it).
bool metricEventsWaiting(const Text& home);
inline constexpr long kFoldWorthBytes = 64L * 1024;

// The totals as a scrape shows them: the state and the events not folded
// yet, read under the fold's lock (shared), so that a fold under way is
// never counted twice. When more than kMaxUnfoldedBytes of events wait, they
// are folded first, so a scrape never reads more than that of them.
MetricTotals currentMetricTotals(const Text& home);
inline constexpr long kMaxUnfoldedBytes = 1L << 20;
