// The admission of the password-protected programs and their refusal pages.
#include "common/access/admin_access.h"

#include <ctime>

#include "common/access/audit_action.h"
#include "common/access/client_address.h"
#include "common/access/login_throttle.h"
#include "common/access/password_check.h"
#include "common/cgi/cgi_streams.h"
#include "common/cgi/request_ended.h"

namespace {

// A refusal is written in the error page's frame (with the administrator's
// contact line) and ends the request as an error does.
[[noreturn]] void refuse(CgiApplication& app, std::string_view status, const Text& moreLines,
                         const MessageTable& title, const Markup& message) {
  app.setStatus(status);
  app.writeHeader("text/html", moreLines);
  app.errorPage(app.text(title), message);
  std::fflush(app.output());
  throw RequestEnded{1};
}

[[noreturn]] void refuseThrottled(CgiApplication& app, long seconds) {
  long minutes = (seconds + 59) / 60;
  refuse(app, "429 Too Many Requests", Text::format("Retry-After: %ld\n", seconds),
         messages::kTooManyFailures, Markup::format(app.text(messages::kTryAgainLater), minutes));
}

}  // namespace

bool admitAdministrator(CgiApplication& app, std::string_view posted) {
  if (app.settings.password.empty())
    refuse(app, "403 Forbidden", Text(), messages::kAdministrationClosed,
           app.text(messages::kNoPasswordSet));
  Text client = clientKey(clientAddress(app).view());
  long now = static_cast<long>(std::time(nullptr));
  LoginThrottle throttle(app);
  bool admitted = false;
  long until = throttle.judge(
      client.view(), now, !posted.empty(),
      [&] { return passwordMatches(posted, app.settings.password.view()); }, admitted);
  if (until > 0) refuseThrottled(app, until - now);
  if (!admitted && !posted.empty()) auditAction(app, "login", {}, {}, {}, "refused");
  return admitted;
}
