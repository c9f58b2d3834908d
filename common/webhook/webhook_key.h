// The key that signs a group's webhooks, and the signature of one request as
// the Standard Webhooks convention has it:
//
//   webhook-id: 20261210021501123456.3f9a0c1d2e4b
//   webhook-timestamp: 1796868901
//   webhook-signature: v1,<base64 of HMAC-SHA-256 of "<id>.<timestamp>.<body>">
//
// A key is written "whsec_" and its bytes in base64: webhookSecret in the
// group's options file, else the file <group file>.webhook.key (one such
// line), made once when the first delivery is signed and replaced only by
// the administrator's rotation in the viewer.
#pragma once

#include <optional>
#include <string_view>

#include "common/settings/webhook_options.h"
#include "common/text/text.h"

// The key file of the group file at `groupPath`.
Text webhookKeyPath(const Text& groupPath);

// The key as written ("whsec_..."): webhookSecret, else the key file's,
// which is made (O_EXCL, 0600) when there is none; none when it cannot be
// read or made, or is no key.
std::optional<Text> webhookKeyText(const WebhookOptions& options, const Text& groupPath);

// A fresh key in the key file, replacing the old one whole; false when it
// cannot be written.
bool rotateWebhookKey(const Text& groupPath);

// The key bytes of "whsec_<base64>"; none for anything else.
std::optional<Text> webhookKeyBytes(std::string_view keyText);

// "v1,<base64 HMAC-SHA-256 of '<id>.<timestamp>.<body>'>".
Text webhookSignature(std::string_view keyBytes, std::string_view id, long long timestamp,
                      std::string_view body);
