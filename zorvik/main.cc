// zorvik: the administrator's password-protected settings pages; typed on
// the server's command line, the commands that set the password and check
// the audit log.
#include "common/access/admin_access.h"
#include "common/settings/program_main.h"
#include "zorvik/admin_application.h"
#include "zorvik/audit_command.h"
#include "zorvik/password_command.h"

namespace {

int answerRequest(const RequestContext& request) {
  return runProgram(request, &AdminApplication::run);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && startedFromShell())
    return asksForAuditCheck(argc, argv) ? runAuditCommand(argc, argv)
                                         : runPasswordCommand(argc, argv);
  return serveRequests(adminProgramTraits(argv[0]), &answerRequest);
}
