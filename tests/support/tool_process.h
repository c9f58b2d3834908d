// ToolProcess: one of the test tools (a Python script under tests/tools) run
// for the length of one test, listening on a free loopback port that it
// announces on its standard output as the line "ready PORT". Stopping it
// (TERM, then KILL after five seconds) always reaps it, so no test leaves a
// process behind. Header-only, as the tools' wrappers are.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

class ToolProcess {
 public:
  ToolProcess() = default;
  ~ToolProcess() { stop(); }
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;

  // Runs `arguments` (the program's path first) and waits up to 20 seconds
  // for its port; port() stays 0 when it did not start.
  void start(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(pipeEnds[1], 1);
      close(pipeEnds[0]);
      close(pipeEnds[1]);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(pipeEnds[1]);
    port_ = readPort(pipeEnds[0]);
    close(pipeEnds[0]);
  }

  void stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 250; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  int port() const { return port_; }

 private:
  static int readPort(int from) {
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd descriptor{from, POLLIN, 0};
      if (poll(&descriptor, 1, 100) <= 0) continue;
      char buffer[64];
      ssize_t got = read(from, buffer, sizeof buffer);
      if (got <= 0) break;
      line.append(buffer, static_cast<size_t>(got));
    }
    if (line.rfind("ready ", 0) != 0) return 0;
    return std::atoi(line.c_str() + 6);
  }

  pid_t pid_ = -1;
  int port_ = 0;
};
