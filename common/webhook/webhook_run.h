// Delivering the webhook spool of a home, in the same runs as the outbox
// (outbox_run.h): pending deliveries settled by their record, each due one
// signed and posted once per run, its outcome written back and counted for
// the metrics page ("webhook_delivery": delivered, retry or failed).
#pragma once

#include "common/mail/outbox_delivery.h"
#include "common/settings/settings_file.h"
#include "common/text/text.h"

// Posts a delivery with its group's options and key, read from the group's
// files as the run finds them (a rotated key signs from then on).
class WebhookSender : public MailSender {
 public:
  explicit WebhookSender(const SystemSettings& settings) : settings_(settings) {}
  SmtpOutcome send(const OutboxMail& delivery) override;
  // Refused by the address rule, or a 4xx other than 408 and 429.
  bool refusedForGood(const SmtpOutcome& outcome) const override;

 private:
  const SystemSettings& settings_;
};

// One run over the spool until `deadline`; nothing when there is no spool
// or another run holds its lock. `everyWaiting` makes every waiting
// delivery due first.
DeliveryCounts runWebhooks(const Text& home, const SystemSettings& settings, long long deadline,
                           bool everyWaiting);
