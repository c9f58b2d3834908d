// show: views the records of a group's catalogs and exports them as CSV.
#include "common/settings/admin_access.h"
#include "common/settings/program_main.h"
#include "show/show_application.h"

int main(int, char** argv) {
  CgiRequest::setStandingHeaderLines(kAdminHeaderLines);
  return runProgram(argv[0], &ShowApplication::run);
}
