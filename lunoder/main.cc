// lunoder: rebuilds the index files of the group named by PATH_INFO.
#include "common/access/admin_access.h"
#include "common/settings/program_main.h"
#include "lunoder/index_application.h"

namespace {

int answerRequest(const RequestContext& request) {
  return runProgram(request, &IndexApplication::run);
}

}  // namespace

int main(int, char** argv) { return serveRequests(adminProgramTraits(argv[0]), &answerRequest); }
