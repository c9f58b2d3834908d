// The answer to a request over the decoding limits of CgiRequest: status 413
// and an error page in the request's language. Nothing of the request has
// been kept, so nothing is stored or mailed.
#pragma once

#include "common/cgi/message_table.h"

class CgiPage;

namespace messages {
inline constexpr MessageTable kRequestTooLarge{
    "The form sent more than the site accepts (too many fields, or a field too long)",
    "Obrazec je poslal ve&ccaron;, kot stran sprejme (preve&ccaron; polj ali predolgo polje)"};
}  // namespace messages

// Ends the request with that page when it was over a limit; does nothing
// otherwise. Called once the page layer knows the language and the
// application's page frame, before the program does any work.
void refuseOversizedRequest(CgiPage& page);
