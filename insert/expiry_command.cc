// The expiry command of insert.
#include "insert/expiry_command.h"

#include <cstdio>
#include <string>

#include "common/storing/expiry.h"
#include "insert/command_home.h"
#include "insert/mail_command.h"

bool asksForExpiry(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--expire") return true;
  return false;
}

int runExpiryCommand(int argc, char** argv) {
  std::string given;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--expire" || takeHomeArgument(argc, argv, i, given)) continue;
    std::fputs(kCommandUsage, stderr);
    return 2;
  }
  Text home;
  if (int status = commandHome(given, home)) return status;
  std::optional<ExpiryTotals> totals = expireEveryGroup(home);
  if (!totals) {
    std::fprintf(stderr, "insert.exe: cannot read %skalder.ini\n", home.c_str());
    return 1;
  }
  for (const Text& problem : totals->problems)
    std::fprintf(stderr, "insert.exe: cannot read or write %s\n", problem.c_str());
  std::printf("expired %ld\n", totals->records);
  return totals->problems.empty() ? 0 : 1;
}
