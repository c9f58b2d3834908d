// insert: stores a posted form in a catalog of the group named by PATH_INFO.
#include "common/settings/program_main.h"
#include "insert/submit_application.h"

int main(int, char** argv) { return runProgram(argv[0], &SubmitApplication::runSubmission); }
