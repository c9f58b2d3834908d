// The address of the client a request comes from, as the programs count and
// limit what one client may do (failed logins, and later request rates).
// Behind a reverse proxy every request comes from the proxy's address, so a
// proxy named in the settings is trusted to report the real one.
#pragma once

#include <string_view>

#include "common/text/text.h"

class CgiApplication;

// REMOTE_ADDR; or, when REMOTE_ADDR is one of `trustedProxies` (addresses
// separated by blanks or commas), the last address of `forwardedFor` (the
// X-Forwarded-For header, to which the proxy appends the client it served).
// An address is accepted only when it looks like one (hex digits, "." and
// ":", at most 45 of them), so that it can never carry a blank or a line
// break into a state file; anything else counts as the address "unknown".
Text clientAddress(std::string_view remoteAddr, std::string_view forwardedFor,
                   std::string_view trustedProxies);

// The same for the request of `app`: REMOTE_ADDR, HTTP_X_FORWARDED_FOR and
// the trustedProxies setting.
Text clientAddress(const CgiApplication& app);

// The address a record keeps as its computer: behind a trusted proxy the
// client's (as clientAddress gives it), anywhere else REMOTE_ADDR as it is.
Text recordedClientAddress(const CgiApplication& app);

// The key under which limits count a client. An IPv4 address is one client;
// an IPv6 client is its /64, which one household or server is given whole
// (counting its addresses apart would give it 2^64 tries): the network's
// first four groups and "::/64", "2001:db8:1:2::/64". An IPv4 address
// written as IPv6 ("::ffff:192.0.2.7") is the IPv4 client; anything that is
// no address stays as it is.
Text clientKey(std::string_view address);
