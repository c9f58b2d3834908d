// Running a built program as a web server does: a clean environment with the
// CGI variables, the request body on standard input, the response captured
// from standard output together with the exit status.
#pragma once

#include <map>
#include <string>

using Environment = std::map<std::string, std::string>;

struct CgiResult {
  int status = -1;     // exit status; -1 when the program did not exit normally
  std::string output;  // everything written to standard output
};

// The path of a built program (insert, lunoder, zorvik, ...).
std::string programPath(const std::string& name);

// Runs a shell command line, with its output (standard error too) and exit
// status.
CgiResult runCommand(const std::string& command);
// What runs the rest of a command line at the local time `when`: faketime
// preloads its library, which AddressSanitizer must be told to accept.
std::string atFakeTime(const std::string& when);
// Runs `insert --flush-mail <arguments> --home <home>` as the administrator
// would from a shell.
CgiResult runMailCommand(const std::string& home, const std::string& arguments = "");

// A program started in the background; wait() collects its result.
class CgiProcess {
 public:
  CgiProcess(const std::string& program, const Environment& env, const std::string& body);
  ~CgiProcess();
  CgiProcess(const CgiProcess&) = delete;
  CgiProcess& operator=(const CgiProcess&) = delete;
  // Waits at most `timeoutSeconds`, then kills the program.
  CgiResult wait(int timeoutSeconds = 30);
  int pid() const { return pid_; }

 private:
  int pid_ = -1;
  std::string inputPath_;
  std::string outputPath_;
};

// Runs `program` for one request and waits for its result; with
// KALDER_TEST_FASTCGI=1 the request goes to the program's resident FastCGI
// process instead (fastcgi_client.h).
CgiResult runCgi(const std::string& program, const Environment& env, const std::string& body = "");

// Environment of a POST of `body` to `program` with PATH_INFO `group`.
Environment postEnvironment(const std::string& home, const std::string& program,
                            const std::string& group, const std::string& query,
                            const std::string& body);
// Environment of a GET.
Environment getEnvironment(const std::string& home, const std::string& program,
                           const std::string& group, const std::string& query);
