// manual: the help pages, public, in every language, coding and charset.
#include "common/settings/program_main.h"
#include "manual/manual_application.h"

namespace {

int answerRequest(const RequestContext& request) {
  return runProgram(request, &ManualApplication::run);
}

}  // namespace

// The pages are public, but they share the origin of the administration
// pages: a script they ran could read those.
int main(int, char** argv) {
  ProgramTraits traits;
  traits.guardPageScripts = true;
  traits.programArgument = argv[0];
  return serveRequests(traits, &answerRequest);
}
