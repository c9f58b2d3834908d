// Webhooks, from the group's options file (group_options.h): each stored
// submission posted as JSON to other services. Without webhook nothing is
// posted, as before.
//
//   webhook=https://a.example/hook https://b.example/in
//                               where each stored (or confirmed) submission
//                               is posted; http or https only
//   webhookSecret=whsec_MfKQ9r8GKYqrTwjUPD8ILPZIo2LaLaSw
//                               the signing key (base64 after "whsec_");
//                               without it the key of <group file>.webhook.key
//   webhookCaFile=/etc/kalder/hooks-ca.pem
//                               the authority that signs the receivers'
//                               certificates, besides the system's
//   webhookAllowPrivate=on      addresses in loopback, private, link-local
//                               and unique-local networks may be posted to
//   webhookMaxSpool=100M        largest total of the home's webhook spool;
//                               beyond it new deliveries fail at once
#pragma once

#include <string_view>

#include "common/text/list.h"
#include "common/text/text.h"

struct WebhookOptions {
  List<Text> urls;
  Text secret;
  Text caFile;
  bool allowPrivate = false;
  long long maxSpool = 100LL << 20;

  bool enabled() const { return !urls.empty(); }
};

// Takes the option `key` (case ignored) into `options`; false when the key
// is no webhook option. A size that does not read as one keeps the default.
bool readWebhookOption(std::string_view key, std::string_view value, WebhookOptions& options);
