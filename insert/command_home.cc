// Finding the home of a command typed on the server.
#include "insert/command_home.h"

#include <cstdio>

#include "common/cgi/request_context.h"
#include "common/files/path.h"

bool takeHomeArgument(int argc, char** argv, int& at, std::string& home) {
  std::string argument = argv[at];
  if (argument == "--home" && at + 1 < argc) {
    home = argv[++at];
    return true;
  }
  if (argument.rfind("--home=", 0) != 0) return false;
  home = argument.substr(7);
  return true;
}

int commandHome(const std::string& given, Text& home) {
  std::string named = given;
  if (named.empty()) named = RequestVariables::fromEnvironment().value("KALDERHOME").str();
  if (named.empty()) {
    std::fputs("insert.exe: name the home with --home DIR or KALDERHOME\n", stderr);
    return 2;
  }
  home = Text(named);
  home.toLower();
  home.replaceChar('\\', '/');
  if (home.last() != '/') home += "/";
  bool readable = false;
  readFileBytes(home + "kalder.ini", &readable);
  if (readable) return 0;
  std::fprintf(stderr, "insert.exe: cannot read %skalder.ini\n", home.c_str());
  return 1;
}
