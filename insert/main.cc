// insert: stores a posted form in a catalog of the group named by PATH_INFO.
// A request that is not a POST is refused before any group is read.
#include "common/settings/program_main.h"
#include "insert/method_refusal.h"
#include "insert/submit_application.h"

int main(int, char** argv) {
  if (!isPostRequest()) return runProgram(argv[0], &MethodRefusal::refuse);
  CgiRequest::deferMultipartBodies();
  return runProgram(argv[0], &SubmitApplication::runSubmission);
}
