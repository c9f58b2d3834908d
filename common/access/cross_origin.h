// Posts from scripts of other sites: the Origin header a browser sends,
// checked against the group's allowedOrigins and this server's own address,
// and the CORS header lines that let an allowed site's script read the answer.
#pragma once

#include <string_view>

#include "common/cgi/cgi_request.h"
#include "common/cgi/message_table.h"
#include "common/settings/group_options.h"
#include "common/text/text.h"

namespace messages {
inline constexpr MessageTable kForeignOrigin{
    "The form was sent from a site that may not send it",
    "Obrazec je bil poslan s strani, ki ga ne sme po&scaron;iljati"};
}  // namespace messages

// The request's Origin header (HTTP_ORIGIN), empty when there is none.
Text requestOrigin(const CgiRequest& request);
// "https://" (HTTPS is "on") or "http://", then HTTP_HOST.
Text ownOrigin(const CgiRequest& request);

// Whether `origin` names this server (`own`, as ownOrigin gives it); letter
// case and a default port (:80, :443) aside.
bool isOwnOrigin(std::string_view origin, std::string_view own);

// Whether a post with this Origin may be stored: always when the group
// names no allowed origins or the request has no Origin (older browsers,
// programs); else only from an allowed origin or this server. "null" is
// another site.
bool originMayPost(const GroupOptions& options, std::string_view origin, std::string_view own);

// The header lines that let a script of `origin` read the answer, when the
// group allows it: Access-Control-Allow-Origin (the origin itself, never
// "*") and Vary. Empty otherwise, and for an origin with a byte no origin
// has (a blank, a control byte, non-ASCII), which never reaches a header.
Text crossOriginHeaderLines(const GroupOptions& options, std::string_view origin);

// The further lines of a preflight answer: methods, headers and how long a
// browser may keep them.
inline constexpr char kPreflightHeaderLines[] =
    "Access-Control-Allow-Methods: POST\n"
    "Access-Control-Allow-Headers: Content-Type, Accept\n"
    "Access-Control-Max-Age: 600\n";
