// An administrator's action on a web page as the audit log (audit_log.h)
// records it: the program, the client's address and the time come from the
// request, and an action whose line cannot be written is refused with
// "Cannot create file".
#pragma once

#include <string_view>

#include "common/access/audit_log.h"
#include "common/settings/cgi_application.h"

// An action that changes something: the log is opened before it, so that a
// log that cannot be written refuses the action before anything is done,
// and the line is written once it is done, before its answer.
//
//   AuditedAction audit(app, "record erased");   // may end the request
//   ... erase ...
//   audit.done(group, catalog, label);           // may end the request
class AuditedAction {
 public:
  AuditedAction(CgiApplication& app, std::string_view action);
  void done(std::string_view group, std::string_view catalog, std::string_view subject,
            std::string_view outcome = "ok");

 private:
  CgiApplication& app_;
  std::string action_;
  AuditLog log_;
};

// An action that is its answer (viewing, downloading): logged before it.
void auditAction(CgiApplication& app, std::string_view action, std::string_view group,
                 std::string_view catalog = {}, std::string_view subject = {},
                 std::string_view outcome = "ok");

// The entry of `action` for the request of `app`.
AuditEntry auditEntryOf(const CgiApplication& app, std::string_view action);
