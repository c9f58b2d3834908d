// The metrics page (show.exe?metrics=1): the counted events of every group
// (metrics_state.h), the depth and oldest age of the outbox and the webhook
// spool per state, the quarantines and the held confirmations, in the
// Prometheus text format. It admits the password posted as the other pages
// do, or "Authorization: Bearer <metricsToken>" from kalder.ini for a
// scraper; without that key only the password opens it.
#pragma once

class ShowApplication;

// REQUIRES: nothing of the answer is written yet.
void answerMetricsRequest(ShowApplication& app);
