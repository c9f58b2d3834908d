// The webhook spool: the home's "webhooks" folder, kept as the outbox is
// (outbox.h, kWebhookSpool): one file per delivery of a submission to one
// address, written and flushed as pending before its record is stored,
// confirmed after, then waiting (".hook") until delivered (removed, a line
// in "sent.log") or failed. A delivery's id is its webhook-id, the same
// through every attempt.
#pragma once

#include <string_view>

#include "common/mail/outbox.h"
#include "common/settings/webhook_options.h"
#include "common/storing/submission.h"

// The spool folder of a home, ending in "/".
Text webhookFolder(const Text& home);
inline Outbox webhookSpool(const Text& home) { return Outbox(webhookFolder(home), kWebhookSpool); }

// The deliveries of a stored submission, one per address, their bodies
// still without an id (webhook_body.h); nothing when the group has no
// webhook.
List<OutboxMail> composeWebhooks(const Submission& submission, const WebhookOptions& options,
                                 std::string_view group, std::string_view charset);

// Writes each delivery as pending, its id put into its body; one that would
// take the spool past `maxSpool` bytes is written as failed at once, saying
// so. False when one cannot be written (those written stay: the caller drops
// them).
bool queueWebhooks(const Text& home, List<OutboxMail>& deliveries, long long maxSpool);

// The bytes of the spool's files but its log ("sent.log").
long long webhookSpoolBytes(const Outbox& spool);

// The reply of a delivery the full spool refused.
inline constexpr std::string_view kSpoolFullReply =
    "not queued: the webhook spool is full (webhookMaxSpool)";
