// One webhook request: the signed POST of a delivery's JSON over libcurl,
// to the addresses its host resolved to when they were checked (pinned, so
// a second lookup cannot lead elsewhere), with no redirect followed, 10
// seconds to connect and 30 for the whole, https verified against the
// system's authorities or the group's webhookCaFile. The answer's body is
// read and dropped; its status line is kept.
#pragma once

#include "common/text/text.h"

struct WebhookRequest {
  Text url;
  Text id;
  long long timestamp = 0;
  Text signature;  // "v1,..."
  Text body;       // JSON
  Text caFile;     // empty: the system's authorities
  bool allowPrivate = false;
};

struct WebhookAnswer {
  int status = 0;        // the HTTP status; 0 when none came
  Text reply;            // the status line, or why there is none
  bool refused = false;  // never sent: the address is not one a webhook may go to

  bool delivered() const { return status >= 200 && status < 300; }
  // Refused for good: by the rule, or a 4xx other than 408 and 429.
  bool failsForGood() const {
    return refused || (status >= 400 && status < 500 && status != 408 && status != 429);
  }
};

WebhookAnswer postWebhook(const WebhookRequest& request);
