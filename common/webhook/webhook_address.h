// Where a webhook may go: its URL taken apart (http or https, a host, a
// port; no user or password in it), and the rule that keeps deliveries away
// from the server's own networks: loopback, private (RFC 1918, carrier-grade
// NAT), link-local, unique-local, multicast and unspecified addresses are
// refused unless the group allows private addresses.
#pragma once

#include <optional>
#include <string_view>

#include "common/text/list.h"
#include "common/text/text.h"

struct WebhookTarget {
  bool https = false;
  Text host;  // without the brackets of an IPv6 literal
  int port = 0;
};

// None for anything but "http://host[:port][/...]" or "https://...".
std::optional<WebhookTarget> parseWebhookUrl(std::string_view url);

// Whether a numeric address ("10.0.0.1", "fe80::1") lies in a network a
// webhook may not reach without webhookAllowPrivate; text that is no address
// counts as private.
bool isPrivateAddress(std::string_view address);

// The numeric addresses the host resolves to (a literal stands for itself);
// empty when it does not resolve.
List<Text> resolveWebhookHost(const WebhookTarget& target);
