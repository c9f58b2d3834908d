// Running a program as a web server does (environment, body on standard
// input, page to /dev/null) and measuring it: wall time from fork to exit and
// the child's peak resident memory. Header-only, for the benchmarks; plus the
// median of a set of figures.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <vector>

struct TimedRun {
  double seconds = 0;
  long peakKiB = 0;
  int status = -1;  // exit status; -1 when the program did not exit normally
};

// `bodyPath` is a file holding the request body (an empty name: no input).
inline TimedRun timedRun(const std::string& program,
                         const std::map<std::string, std::string>& environment,
                         const std::string& bodyPath) {
  std::vector<std::string> entries;
  for (const auto& [name, value] : environment) entries.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : entries) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string path = program;
  char* argv[] = {path.data(), nullptr};
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    int in = open(bodyPath.empty() ? "/dev/null" : bodyPath.c_str(), O_RDONLY);
    int out = open("/dev/null", O_WRONLY);
    dup2(in, 0);
    dup2(out, 1);
    execve(path.c_str(), argv, envp.data());
    _exit(127);
  }
  TimedRun run;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakKiB = usage.ru_maxrss;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

inline double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
