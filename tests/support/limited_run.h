// Running a built program as cgi_run.h does, but under a file-size limit set
// in the child before it starts: a write that would make any file longer than
// the limit fails as on a full disk (SIGXFSZ is ignored, so the program sees
// the failed write instead of being killed). The page comes back through a
// pipe, which the limit does not touch. Header-only, for end-to-end tests.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/cgi_run.h"

// Runs `program` with the environment and body, every file it writes limited
// to `maxFileBytes`; waits at most `timeoutSeconds`, then kills it.
inline CgiResult runCgiWithFileLimit(const std::string& program, const Environment& env,
                                     const std::string& body, long maxFileBytes,
                                     int timeoutSeconds = 30) {
  std::vector<std::string> entries;
  for (const auto& [name, value] : env) entries.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : entries) envp.push_back(e.data());
  envp.push_back(nullptr);
  int input[2], output[2];
  CgiResult result;
  if (pipe(input) != 0) return result;
  if (pipe(output) != 0) {
    close(input[0]);
    close(input[1]);
    return result;
  }
  pid_t pid = fork();
  if (pid == 0) {
    dup2(input[0], 0);
    dup2(output[1], 1);
    close(input[0]);
    close(input[1]);
    close(output[0]);
    close(output[1]);
    rlimit limit{static_cast<rlim_t>(maxFileBytes), static_cast<rlim_t>(maxFileBytes)};
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_IGN);  // an ignored signal stays ignored across exec
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    execve(program.c_str(), argv, envp.data());
    _exit(127);
  }
  close(input[0]);
  close(output[1]);
  // The body is small; a program that stops reading early closes the pipe,
  // so a failed write here is no error.
  signal(SIGPIPE, SIG_IGN);
  if (write(input[1], body.data(), body.size()) < 0) {
  }
  close(input[1]);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  char buffer[4096];
  for (;;) {
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    deadline - std::chrono::steady_clock::now())
                                    .count());
    pollfd ready{output[0], POLLIN, 0};
    if (left <= 0 || poll(&ready, 1, left) <= 0) {
      kill(pid, SIGKILL);
      break;
    }
    ssize_t got = read(output[0], buffer, sizeof buffer);
    if (got <= 0) break;
    result.output.append(buffer, static_cast<size_t>(got));
  }
  close(output[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}
