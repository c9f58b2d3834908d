// insert: stores a posted form in a catalog of the group named by PATH_INFO.
// A request that is not a POST is refused before any group is read. Typed on
// the server's command line, it delivers the mails waiting in the outbox.
#include "common/settings/program_main.h"
#include "insert/mail_command.h"
#include "insert/method_refusal.h"
#include "insert/submit_application.h"

int main(int argc, char** argv) {
  if (argc > 1 && startedFromShell()) return runMailCommand(argc, argv);
  if (!isPostRequest()) return runProgram(argv[0], &MethodRefusal::refuse);
  return runProgram(argv[0], &SubmitApplication::runSubmission);
}
