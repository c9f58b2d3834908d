// Logging the request's administrator actions, refusing those it cannot log.
#include "common/access/audit_action.h"

#include "common/access/client_address.h"
#include "common/files/path.h"

namespace {

// The program as the web server names it, without ".exe": "show".
std::string programName(const CgiApplication& app) {
  std::string name = app.program().str();
  if (name.size() > 4 && equalsIgnoreCase(std::string_view(name).substr(name.size() - 4), ".exe"))
    name.resize(name.size() - 4);
  return name;
}

}  // namespace

AuditEntry auditEntryOf(const CgiApplication& app, std::string_view action) {
  AuditEntry entry;
  entry.program = programName(app);
  entry.address = clientAddress(app).str();
  entry.action = std::string(action);
  return entry;
}

AuditedAction::AuditedAction(CgiApplication& app, std::string_view action)
    : app_(app), action_(action), log_(app.home().str()) {
  if (!log_.open()) app_.fatal(messages::kCreateFailed, makePath(app_.home(), kAuditLogName));
}

void AuditedAction::done(std::string_view group, std::string_view catalog, std::string_view subject,
                         std::string_view outcome) {
  AuditEntry entry = auditEntryOf(app_, action_);
  entry.outcome = std::string(outcome);
  entry.group = std::string(group);
  entry.catalog = std::string(catalog);
  entry.subject = std::string(subject);
  if (!log_.append(entry))
    app_.fatal(messages::kCreateFailed, makePath(app_.home(), kAuditLogName));
}

void auditAction(CgiApplication& app, std::string_view action, std::string_view group,
                 std::string_view catalog, std::string_view subject, std::string_view outcome) {
  AuditedAction(app, action).done(group, catalog, subject, outcome);
}
