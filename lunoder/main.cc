// lunoder: rebuilds the index files of the group named by PATH_INFO.
#include "common/settings/program_main.h"
#include "lunoder/index_application.h"

int main(int, char** argv) {
  return runProgram(argv[0], &IndexApplication::run);
}
