// lunoder: rebuilds the index files of the group named by PATH_INFO.
#include "common/settings/admin_access.h"
#include "common/settings/program_main.h"
#include "lunoder/index_application.h"

int main(int, char** argv) {
  CgiRequest::setStandingHeaderLines(kAdminHeaderLines);
  return runProgram(argv[0], &IndexApplication::run);
}
