// zorvik: the administrator's password-protected settings pages.
#include "common/settings/program_main.h"
#include "zorvik/admin_application.h"
#include "zorvik/posted_fields.h"

int main(int, char** argv) {
  captureRequestBody();
  return runProgram(argv[0], &AdminApplication::run);
}
