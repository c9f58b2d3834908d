// Only a POST stores a record. Any other request (GET, HEAD, PUT, a
// lower-case "post") is answered with status 405, "Allow: POST" and an error
// page in the request's language, and stores and mails nothing.
#pragma once

#include "common/cgi/message_table.h"
#include "common/settings/cgi_application.h"

namespace messages {
inline constexpr MessageTable kPostOnly{"Forms are submitted with the POST method",
                                        "Obrazci se po&scaron;iljajo z metodo POST"};
}  // namespace messages

// True when the request's method is exactly "POST".
bool isPostRequest(const RequestContext& request);

// Writes the 405 header and the error page and ends the request.
// REQUIRES: the page's header is not written yet.
[[noreturn]] void refuseMethod(CgiPage& page);

// insert's program object for a request that is not a POST: it reads the
// settings (for the language and the contact line) but no group, so an
// unknown group gets the same refusal.
class MethodRefusal : public CgiApplication {
 public:
  explicit MethodRefusal(const RequestContext& context) : CgiApplication(context, nullptr) {}
  [[noreturn]] void refuse() { refuseMethod(*this); }
};
