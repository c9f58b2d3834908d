// Putting a submission's webhooks into the spool.
#include "common/webhook/webhook_spool.h"

#include <sys/stat.h>

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

long long webhookSpoolBytes(const Outbox& spool) {
  long long bytes = 0;
  for (const OutboxMail& delivery : spool.mails()) {
    struct stat info;
    if (::stat(spool.pathOf(delivery).c_str(), &info) == 0) bytes += info.st_size;
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
    countMetricEvent(home, "webhook_delivery", delivery.group.view(), "failed");
  }
  return true;
}
