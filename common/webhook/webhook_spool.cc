// Putting a submission's webhooks into the spool.
#include "common/webhook/webhook_spool.h"

#include <filesystem>

#include "common/metrics/metric_events.h"
#include "common/webhook/webhook_body.h"

Text webhookFolder(const Text& home) { return home + "webhooks/"; }

List<OutboxMail> composeWebhooks(const Submission& submission, const WebhookOptions& options,
                                 std::string_view group, std::string_view charset) {
  List<OutboxMail> deliveries;
  if (!options.enabled()) return deliveries;
  OutboxMail delivery;
  delivery.group = Text(group);
  delivery.catalog = submission.target.name;
  delivery.catalogPath = submission.target.path;
  delivery.label = submission.label;
  delivery.body = webhookMembers(submission, group, charset);
  for (const Text& url : options.urls) {
    delivery.recipient = url;
    deliveries.push_back(delivery);
  }
  return deliveries;
}

// Only the sizes of the directory's entries: no delivery file is read.
long long webhookSpoolBytes(const Outbox& spool) {
  long long bytes = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(spool.folder().str(), error)) {
    if (entry.path().filename() == "sent.log") continue;
    uintmax_t size = entry.is_regular_file(error) ? entry.file_size(error) : 0;
    if (!error) bytes += static_cast<long long>(size);
  }
  return bytes;
}

bool queueWebhooks(const Text& home, List<OutboxMail>& deliveries, long long maxSpool) {
  if (deliveries.empty()) return true;
  Outbox spool = webhookSpool(home);
  long long now = outboxNow();
  long long bytes = webhookSpoolBytes(spool);
  for (OutboxMail& delivery : deliveries) {
    Text members = delivery.body;
    auto withId = [&](OutboxMail& written) { written.body = webhookBody(written.id, members); };
    bool full = bytes + static_cast<long long>(members.str().size()) > maxSpool;
    if (!spool.addPending(delivery, now, "", withId)) return false;
    bytes += static_cast<long long>(delivery.body.str().size()) + 200;
    if (!full) continue;
    // Kept, failed, so the record page shows what was not sent and why.
    delivery.reply = Text(kSpoolFullReply);
    if (!spool.save(delivery, MailState::Failed)) return false;
    countMetricEvent(home, kWebhookDeliveryMetric, delivery.group.view(), "failed");
  }
  return true;
}
