// Refusing a request that went over the decoding limits.
#include "common/cgi/oversized_request.h"

#include "common/cgi/cgi_page.h"

void refuseOversizedRequest(CgiPage& page) {
  if (!page.oversized()) return;
  page.setStatus("413 Content Too Large");
  page.fatal(messages::kRequestTooLarge);
}
