// The webhooks as the viewer shows them: each delivery of a record (waiting,
// delivered or failed, with the receiver's status line) and the
// administrator's "Send again"; the group's signing key and its rotation.
// Nothing of it appears for a group without the webhook option.
#pragma once

#include <optional>

#include "common/cgi/markup.h"
#include "common/text/text.h"

class ShowApplication;

// The table of the deliveries of the record `label`; nothing when it has
// none.
Markup recordWebhookTable(ShowApplication& app, const Text& label);
// Applies a "Send again" that the request posts (the field "webhook", a
// delivery's id) to a waiting or failed delivery of the record `label`: it
// is due at once with a fresh retry period, and a run starts. Anything else
// is ignored.
void applyWebhookAction(ShowApplication& app, const Text& label);

// Applies a rotation of the group's key file that the request posts (the
// field "webhookkey" = "rotate"), audited: whether the new key was written;
// none when no rotation was asked for (or the key is webhookSecret's).
std::optional<bool> applyWebhookKeyAction(ShowApplication& app);

// The signing key and its rotation button, for a group with webhooks, with
// the outcome of a rotation applied just before.
Markup groupWebhookKey(ShowApplication& app, std::optional<bool> rotated);
