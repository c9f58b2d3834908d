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
