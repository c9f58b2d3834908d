// lunoder: rebuilds the index files of the group named by PATH_INFO.
#include "common/settings/admin_access.h"
#include "common/settings/program_main.h"
#include "lunoder/index_application.h"

namespace {

int answerRequest(const char* argv0) {
  CgiRequest::setStandingHeaderLines(kAdminHeaderLines);
  CgiRequest::guardPageScripts();
  return runProgram(argv0, &IndexApplication::run);
}

}  // namespace

int main(int, char** argv) { return serveRequests(argv[0], &answerRequest); }
