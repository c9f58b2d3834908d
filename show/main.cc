// show: views the records of a group's catalogs, exports them as CSV and
// finds, exports and erases one person's data; answers a monitor's health
// check (health_check.h) and a scraper's metrics (metrics_page.h).
#include "common/access/admin_access.h"
#include "common/settings/program_main.h"
#include "show/health_check.h"
#include "show/show_application.h"

namespace {

int answerRequest(const RequestContext& request) {
  if (asksForHealth(request)) return answerHealthRequest(request);
  return runProgram(request, &ShowApplication::run);
}

}  // namespace

int main(int, char** argv) { return serveRequests(adminProgramTraits(argv[0]), &answerRequest); }
