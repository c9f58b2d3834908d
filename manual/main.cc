// manual: the help pages, public, in every language, coding and charset.
#include "common/settings/program_main.h"
#include "manual/manual_application.h"

namespace {

int answerRequest(const char* argv0) { return runProgram(argv0, &ManualApplication::run); }

}  // namespace

int main(int, char** argv) { return serveRequests(argv[0], &answerRequest); }
