// insert: stores a posted form in a catalog of the group named by PATH_INFO.
// A preflight (OPTIONS) of a script of another site is answered from the
// group's options; a confirmation link of double opt-in (opt_in.h) is
// answered whatever its method; a group with proofOfWork gives out its
// script and challenges (challenge_answer.h); any other request that is not a POST is
// refused before any group is read. A script may ask for JSON answers. Typed on the
// server's command line, it delivers the mails waiting in the outbox or
// expires the records that their groups keep no longer.
#include "common/settings/program_main.h"
#include "insert/challenge_answer.h"
#include "insert/error_status.h"
#include "insert/expiry_command.h"
#include "insert/mail_command.h"
#include "insert/method_refusal.h"
#include "insert/opt_in.h"
#include "insert/preflight.h"
#include "insert/submit_application.h"

namespace {

int answerRequest(const RequestContext& request) {
  if (isPreflightRequest(request)) return runProgram(request, &Preflight::answer);
  if (isConfirmationRequest(request))
    return runProgram(request, &SubmitApplication::runConfirmation);
  if (isChallengeRequest(request)) return runProgram(request, &ChallengeAnswer::answer);
  if (!isPostRequest(request)) return runProgram(request, &MethodRefusal::refuse);
  return runProgram(request, &SubmitApplication::runSubmission);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && startedFromShell())
    return asksForExpiry(argc, argv) ? runExpiryCommand(argc, argv) : runMailCommand(argc, argv);
  ProgramTraits traits;
  traits.offersJson = true;
  traits.jsonErrorStatus = &submissionErrorStatus;
  traits.deferMultipartBodies = true;
  traits.programArgument = argv[0];
  return serveRequests(traits, &answerRequest);
}
