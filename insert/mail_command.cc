// The mail command of insert.
#include "insert/mail_command.h"

#include <cstdio>
#include <string>

#include "common/mail/outbox_run.h"
#include "insert/command_home.h"

int runMailCommand(int argc, char** argv) {
  bool flush = false, all = false;
  std::string given;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--flush-mail") {
      flush = true;
    } else if (argument == "--all") {
      all = true;
    } else if (!takeHomeArgument(argc, argv, i, given)) {
      flush = false;
      break;
    }
  }
  if (!flush) {
    std::fputs(kCommandUsage, stderr);
    return 2;
  }
  Text home;
  if (int status = commandHome(given, home)) return status;
  DeliveryCounts counts = runOutbox(home, kCommandRunSeconds, all);
  std::printf("sent %d, retried %d, failed %d, settled %d, dropped %d\n", counts.sent,
              counts.retried, counts.failed, counts.confirmed, counts.dropped);
  return 0;
}
