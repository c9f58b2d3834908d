// The --set-password command: arguments, reading the password, storing it.
#include "zorvik/password_command.h"

#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/access/audit_log.h"
#include "common/cgi/request_context.h"
#include "common/settings/settings_password.h"

namespace {

constexpr char kUsage[] = "usage: zorvik.exe --set-password [--home DIR]\n";
// A line longer than this is no password: reading stops there.
constexpr size_t kMaxLineLength = 4096;

struct Command {
  bool setPassword = false;
  std::string home;
};

bool parseArguments(int argc, char** argv, Command& command) {
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--set-password") {
      command.setPassword = true;
    } else if (argument == "--home" && i + 1 < argc) {
      command.home = argv[++i];
    } else if (argument.rfind("--home=", 0) == 0) {
      command.home = argument.substr(7);
    } else {
      return false;
    }
  }
  return command.setPassword;
}

// The settings file the web programs read for `home`: like them, the home
// is taken in lower case with forward slashes.
std::string settingsPathFor(std::string home) {
  for (char& c : home) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '\\') c = '/';
  }
  if (home.back() != '/') home += '/';
  return home + "kalder.ini";
}

// One line of standard input without its line end; false at its end.
bool readLine(std::string& line) {
  line.clear();
  int c;
  while ((c = std::getchar()) != EOF && c != '\n')
    if (line.size() < kMaxLineLength) line += static_cast<char>(c);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return c != EOF || !line.empty();
}

// The terminal's settings while echo is off, put back however the command ends.
struct termios savedTerminal;

void restoreTerminal() { tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal); }

void restoreAndQuit(int) {
  restoreTerminal();
  _exit(130);
}

bool readHidden(const char* prompt, std::string& line) {
  std::fputs(prompt, stderr);
  std::fflush(stderr);
  tcgetattr(STDIN_FILENO, &savedTerminal);
  struct termios quiet = savedTerminal;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  std::signal(SIGINT, restoreAndQuit);
  std::signal(SIGTERM, restoreAndQuit);
  tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  bool read = readLine(line);
  restoreTerminal();
  std::fputs("\n", stderr);
  return read;
}

// The new password: at a terminal typed twice without echo, else the first
// line of standard input. Empty text when none was given.
bool readNewPassword(std::string& password) {
  if (!isatty(STDIN_FILENO)) return readLine(password);
  std::string again;
  if (!readHidden("New password: ", password) || !readHidden("Once more: ", again)) return false;
  if (password == again) return true;
  std::fputs("zorvik: the two passwords differ\n", stderr);
  return false;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "zorvik: %s\n", message.c_str());
  return 1;
}

}  // namespace

int runPasswordCommand(int argc, char** argv) {
  Command command;
  if (!parseArguments(argc, argv, command)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (command.home.empty())
    command.home = RequestVariables::fromEnvironment().value("KALDERHOME").str();
  if (command.home.empty()) return fail("name the home directory with --home DIR or KALDERHOME");
  std::string password;
  if (!readNewPassword(password)) return fail("no password given");
  std::string problem = passwordProblem(password);
  if (!problem.empty()) return fail(problem);
  std::string path = settingsPathFor(command.home);
  AuditLog audit(command.home);
  if (!audit.open()) return fail("cannot write " + audit.path());
  problem = storePassword(path, password);
  if (!problem.empty()) return fail(problem);
  AuditEntry entry;
  entry.program = "zorvik";
  entry.action = "password set";
  if (!audit.append(entry)) return fail("the password is stored, but cannot write " + audit.path());
  std::printf("zorvik: the password is stored in %s\n", path.c_str());
  return 0;
}
