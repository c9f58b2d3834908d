// SmtpSink: runs the capture server tests/tools/smtp_sink.py on a free
// loopback port for the length of one test and reads back the mails it
// stored, each as the file the script writes (see its header for the layout).
// Header-only, so unit and end-to-end tests can both use it.
#pragma once

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/test_home.h"

class SmtpSink {
 public:
  // Recipients that contain `refuse` (when not empty) are refused with 550;
  // `options` go to the script as they are ("--starttls", "--user", ...).
  explicit SmtpSink(const std::string& refuse = "", const std::vector<std::string>& options = {}) {
    start(refuse, options);
  }
  ~SmtpSink() { stop(); }
  SmtpSink(const SmtpSink&) = delete;
  SmtpSink& operator=(const SmtpSink&) = delete;

  // The port it listens on, 0 when it did not start.
  int port() const { return port_; }
  std::string maildir() const { return dir_.path() + "mail/"; }

  // A stored mail with its body's quoted-printable decoded (soft line
  // breaks joined, "=XX" as its byte), the header as it came.
  static std::string decoded(const std::string& mail) {
    size_t body = mail.find("\r\n\r\n");
    if (body == std::string::npos) return mail;
    body += 4;
    std::string out = mail.substr(0, body);
    for (size_t i = body; i < mail.size(); ++i) {
      if (mail[i] != '=') {
        out += mail[i];
      } else if (mail.compare(i + 1, 2, "\r\n") == 0) {
        i += 2;
      } else if (i + 2 < mail.size()) {
        out += static_cast<char>(std::stoi(mail.substr(i + 1, 2), nullptr, 16));
        i += 2;
      }
    }
    return out;
  }

  // The stored mails in the order received, once at least `count` are there
  // or `seconds` have passed.
  std::vector<std::string> mails(size_t count = 1, int seconds = 10) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
      std::vector<std::string> names = mailNames();
      if (names.size() >= count || std::chrono::steady_clock::now() > deadline) {
        std::vector<std::string> contents;
        for (const std::string& name : names) contents.push_back(readFile(maildir() + name));
        return contents;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

 private:
  std::vector<std::string> mailNames() const {
    std::vector<std::string> names;
    if (DIR* dir = opendir(maildir().c_str())) {
      while (dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.') names.push_back(entry->d_name);
      closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  void start(const std::string& refuse, const std::vector<std::string>& options) {
    std::vector<std::string> arguments = {
        "/usr/bin/python3", std::string(KALDER_SOURCE_DIR) + "/tests/tools/smtp_sink.py",
        "--port",           "0",
        "--maildir",        maildir()};
    if (!refuse.empty()) arguments.insert(arguments.end(), {"--refuse", refuse});
    arguments.insert(arguments.end(), options.begin(), options.end());
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

  // Waits up to 20 seconds for the line "ready PORT".
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

  void stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 250; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }

  TestHome dir_;
  pid_t pid_ = -1;
  int port_ = 0;
};
