// The --verify-audit command: arguments, the check, its report.
#include "zorvik/audit_command.h"

#include <cstdio>
#include <string>

#include "common/access/audit_log.h"
#include "common/cgi/request_context.h"

namespace {

constexpr char kUsage[] = "usage: zorvik.exe --verify-audit [--home DIR]\n";

bool parseArguments(int argc, char** argv, std::string& home) {
  bool verify = false;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--verify-audit") {
      verify = true;
    } else if (argument == "--home" && i + 1 < argc) {
      home = argv[++i];
    } else if (argument.rfind("--home=", 0) == 0) {
      home = argument.substr(7);
    } else {
      return false;
    }
  }
  return verify;
}

}  // namespace

bool asksForAuditCheck(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--verify-audit") return true;
  return false;
}

int runAuditCommand(int argc, char** argv) {
  std::string home;
  if (!parseArguments(argc, argv, home)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (home.empty()) home = RequestVariables::fromEnvironment().value("KALDERHOME").str();
  if (home.empty()) {
    std::fputs("zorvik: name the home directory with --home DIR or KALDERHOME\n", stderr);
    return 2;
  }
  AuditCheck check = verifyAuditLog(home);
  if (!check.intact) {
    std::printf("broken: %s line %ld\n", check.brokenFile.c_str(), check.brokenLine);
    return 1;
  }
  std::printf("intact %s\n", check.latestHash.c_str());
  return 0;
}
