// zorvik: the administrator's password-protected settings pages.
#include "common/settings/program_main.h"
#include "zorvik/admin_application.h"

int main(int, char** argv) { return runProgram(argv[0], &AdminApplication::run); }
