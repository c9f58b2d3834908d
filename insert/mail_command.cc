// The mail command of insert.
#include "insert/mail_command.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/cgi/request_context.h"
#include "common/files/path.h"
#include "common/mail/outbox_run.h"

namespace {

constexpr char kUsage[] = "usage: insert.exe --flush-mail [--all] [--home DIR]\n";

Text homeOf(const std::string& home) {
  Text path(home);
  path.toLower();
  path.replaceChar('\\', '/');
  if (path.last() != '/') path += "/";
  return path;
}

}  // namespace

int runMailCommand(int argc, char** argv) {
  bool flush = false, all = false;
  std::string home;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--flush-mail") {
      flush = true;
    } else if (argument == "--all") {
      all = true;
    } else if (argument == "--home" && i + 1 < argc) {
      home = argv[++i];
    } else if (argument.rfind("--home=", 0) == 0) {
      home = argument.substr(7);
    } else {
      flush = false;
      break;
    }
  }
  if (!flush) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (home.empty()) home = RequestVariables::fromEnvironment().value("KALDERHOME").str();
  if (home.empty()) {
    std::fputs("insert.exe: name the home with --home DIR or KALDERHOME\n", stderr);
    return 2;
  }
  Text homePath = homeOf(home);
  bool readable = false;
  readFileBytes(homePath + "kalder.ini", &readable);
  if (!readable) {
    std::fprintf(stderr, "insert.exe: cannot read %skalder.ini\n", homePath.c_str());
    return 1;
  }
  DeliveryCounts counts = runOutbox(homePath, kCommandRunSeconds, all);
  std::printf("sent %d, retried %d, failed %d, settled %d, dropped %d\n", counts.sent,
              counts.retried, counts.failed, counts.confirmed, counts.dropped);
  return 0;
}
