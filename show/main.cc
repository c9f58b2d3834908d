// show: views the records of a group's catalogs, exports them as CSV and
// finds, exports and erases one person's data.
#include "common/access/admin_access.h"
#include "common/settings/program_main.h"
#include "show/show_application.h"

namespace {

int answerRequest(const RequestContext& request) {
  return runProgram(request, &ShowApplication::run);
}

}  // namespace

int main(int, char** argv) { return serveRequests(adminProgramTraits(argv[0]), &answerRequest); }
