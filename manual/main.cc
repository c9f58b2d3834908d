// manual: the help pages, public, in every language, coding and charset.
#include "common/settings/program_main.h"
#include "manual/manual_application.h"

namespace {

// The pages are public, but they share the origin of the administration
// pages: a script they ran could read those.
int answerRequest(const char* argv0) {
  CgiRequest::guardPageScripts();
  return runProgram(argv0, &ManualApplication::run);
}

}  // namespace

int main(int, char** argv) { return serveRequests(argv[0], &answerRequest); }
