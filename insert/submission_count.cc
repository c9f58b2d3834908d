// Counting submission outcomes.
#include "insert/submission_count.h"

#include "common/metrics/metric_events.h"

void countSubmission(const CatalogGroup& app, std::string_view outcome) {
  if (app.groupSettingsName.empty()) return;
  countMetricEvent(app.home(), kSubmissionMetric, app.groupSettingsName.view(), outcome);
}
