// The webhook spool's runs: the sender that signs and posts, and the loop
// the outbox's runs share.
#include "common/webhook/webhook_run.h"

#include "common/files/path.h"
#include "common/mail/outbox_run.h"
#include "common/metrics/metric_events.h"
#include "common/settings/group_options.h"
#include "common/webhook/webhook_key.h"
#include "common/webhook/webhook_post.h"
#include "common/webhook/webhook_spool.h"

namespace {

// The code of an outcome that was never sent: the address is refused, or
// the group is gone.
constexpr int kNotSent = -1;

SmtpOutcome notSent(std::string_view why) { return SmtpOutcome{false, Text(why), kNotSent}; }

}  // namespace

SmtpOutcome WebhookSender::send(const OutboxMail& delivery) {
  const Param* entry = settings_.groups.find(delivery.group);
  if (!entry) return notSent("the group is no longer in kalder.ini");
  const Text& groupPath = entry->value;
  GroupOptions options = parseGroupOptions(readFileBytes(groupOptionsPath(groupPath)).view());
  std::optional<Text> keyText = webhookKeyText(options.webhooks, groupPath);
  std::optional<Text> key = keyText ? webhookKeyBytes(keyText->view()) : std::nullopt;
  if (!key) return SmtpOutcome{false, Text("no signing key: webhookSecret or the key file"), 0};
  WebhookRequest request;
  request.url = delivery.recipient;
  request.id = delivery.id;
  request.timestamp = outboxNow();
  request.body = delivery.body;
  request.signature =
      webhookSignature(key->view(), request.id.view(), request.timestamp, request.body.view());
  request.caFile = options.webhooks.caFile;
  request.allowPrivate = options.webhooks.allowPrivate;
  WebhookAnswer answer = postWebhook(request);
  return SmtpOutcome{answer.delivered(), answer.reply, answer.refused ? kNotSent : answer.status};
}

bool WebhookSender::refusedForGood(const SmtpOutcome& outcome) const {
  if (outcome.code == kNotSent) return true;
  WebhookAnswer answer;
  answer.status = outcome.code;
  return answer.failsForGood();
}

DeliveryCounts runWebhooks(const Text& home, const SystemSettings& settings, long long deadline,
                           bool everyWaiting) {
  DeliveryCounts total;
  Outbox spool = webhookSpool(home);
  RunnerLock lock;
  if (!lock.acquire(spool.folder(), everyWaiting)) return total;
  if (everyWaiting) makeEveryWaitingDue(spool);
  WebhookSender sender(settings);
  DeliveryRun run{outboxNow, deadline,
                  [&](const OutboxMail& delivery) { return recordFateOf(settings, delivery); },
                  [&](const OutboxMail& delivery, std::string_view outcome) {
                    countMetricEvent(home, kWebhookDeliveryMetric, delivery.group.view(), outcome);
                  }};
  for (;;) {
    DeliveryCounts counts = deliverOutbox(spool, sender, run);
    total += counts;
    if (!counts.any() || outboxNow() > deadline) break;
  }
  return total;
}
