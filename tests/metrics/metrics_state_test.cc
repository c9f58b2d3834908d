// The metric events and their fold into "metrics.state", and the escaping of
// the Prometheus text format.
#include "common/metrics/metrics_state.h"

#include <gtest/gtest.h>

#include <string>

#include "common/metrics/metric_events.h"
#include "common/metrics/prometheus_text.h"
#include "support/test_home.h"

namespace {

const MetricKey kStored{"submission", "shop", "stored"};

TEST(MetricEvents, ValuesStayOnOneBoundedLine) {
  TestHome home;
  countMetricEvent(home.path(), "submission", "sh\top\n", std::string(100, 'x'));
  EXPECT_EQ(home.read("metrics.events"), "submission\tsh op \t" + std::string(64, 'x') + "\n");
}

TEST(MetricState, ReadsWhatItWritesAndSkipsMalformedLines) {
  MetricState state = parseMetricState(
      "folded=3\nsubmission\tshop\tstored\t7\nbad line\nx\ty\tz\t-1\nx\ty\tz\t1e3\n"
      "mail_delivery\tshop\tretry\t2");
  EXPECT_EQ(state.folded, 3);
  ASSERT_EQ(state.totals.size(), 2u);
  EXPECT_EQ(state.totals[kStored], 7);
  EXPECT_EQ(metricStateText(state),
            "folded=3\nmail_delivery\tshop\tretry\t2\nsubmission\tshop\tstored\t7\n");
  MetricTotals totals;
  addMetricEvents("submission\tshop\tstored\nshort\tline\nsubmission\tshop\tstored", totals);
  EXPECT_EQ(totals.size(), 1u);
  EXPECT_EQ(totals[kStored], 1);  // the last line lacks its line feed: still being written
}

TEST(MetricState, FoldAddsEventsOnceAndScrapeSeesTheSameTotals) {
  TestHome home;
  for (int i = 0; i < 3; ++i) countMetricEvent(home.path(), "submission", "shop", "stored");
  EXPECT_EQ(currentMetricTotals(home.path())[kStored], 3);  // unfolded events count
  ASSERT_TRUE(foldMetricEvents(home.path()));
  EXPECT_FALSE(home.exists("metrics.events"));
  EXPECT_EQ(home.read("metrics.state"), "folded=1\nsubmission\tshop\tstored\t3\n");
  countMetricEvent(home.path(), "submission", "shop", "stored");
  EXPECT_EQ(currentMetricTotals(home.path())[kStored], 4);
  ASSERT_TRUE(foldMetricEvents(home.path()));
  ASSERT_TRUE(foldMetricEvents(home.path()));  // nothing waiting
  EXPECT_EQ(home.read("metrics.state"), "folded=2\nsubmission\tshop\tstored\t4\n");
}

// A fold that died after renaming the events aside, before writing the
// state, leaves them to the next; one that died after writing the state
// leaves an aside file that is already counted.
TEST(MetricState, InterruptedFoldsCountEveryEventOnce) {
  TestHome home;
  home.write("metrics.state", "folded=4\nsubmission\tshop\tstored\t10\n");
  home.write("metrics.events.4", "submission\tshop\tstored\n");  // counted in the state
  home.write("metrics.events.5", "submission\tshop\tstored\nsubmission\tshop\tstored\n");
  home.write("metrics.events", "submission\tshop\tstored\n");
  EXPECT_EQ(currentMetricTotals(home.path())[kStored], 13);
  ASSERT_TRUE(foldMetricEvents(home.path()));  // the one left aside
  EXPECT_FALSE(home.exists("metrics.events.4"));
  EXPECT_FALSE(home.exists("metrics.events.5"));
  EXPECT_EQ(currentMetricTotals(home.path())[kStored], 13);
  ASSERT_TRUE(foldMetricEvents(home.path()));
  EXPECT_EQ(home.read("metrics.state"), "folded=6\nsubmission\tshop\tstored\t13\n");
}

TEST(MetricState, ScrapeFoldsFirstWhenTooManyEventsWait) {
  TestHome home;
  std::string line = "submission\tshop\tstored\n";
  std::string events;
  while (static_cast<long>(events.size()) <= kMaxUnfoldedBytes) events += line;
  home.write("metrics.events", events);
  EXPECT_EQ(currentMetricTotals(home.path())[kStored],
            static_cast<long long>(events.size() / line.size()));
  EXPECT_FALSE(home.exists("metrics.events"));
}

TEST(PrometheusText, EscapesLabelValuesAndNames) {
  struct Row {
    std::string value, escaped;
  };
  for (const Row& row :
       {Row{"plain", "plain"}, Row{"a\\b", "a\\\\b"}, Row{"say \"hi\"", "say \\\"hi\\\""},
        Row{"two\nlines", "two\\nlines"}, Row{"\xc5\xa1ola", "\xc5\xa1ola"}})
    EXPECT_EQ(prometheusLabelValue(row.value), row.escaped) << row.value;
  EXPECT_EQ(prometheusName("spam_layer"), "spam_layer");
  EXPECT_EQ(prometheusName("web-hook.x"), "web_hook_x");
  EXPECT_EQ(prometheusName("4xx"), "_4xx");
  PrometheusText text;
  text.family("kalder_x_total", "counter", "Things.");
  text.sample("kalder_x_total", {{"group", "a\"b"}, {"outcome", "ok"}}, 2);
  text.sample("kalder_y", {}, 0);
  EXPECT_EQ(text.text(),
            "# HELP kalder_x_total Things.\n# TYPE kalder_x_total counter\n"
            "kalder_x_total{group=\"a\\\"b\",outcome=\"ok\"} 2\nkalder_y 0\n");
}

}  // namespace
