// SmtpSink: runs the capture server tests/tools/smtp_sink.py on a free
// loopback port for the length of one test and reads back the mails it
// stored, each as the file the script writes (see its header for the layout).
// Header-only, so unit and end-to-end tests can both use it.
#pragma once

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/test_home.h"
#include "support/tool_process.h"

class SmtpSink {
 public:
  // Recipients that contain `refuse` (when not empty) are refused with 550;
  // `options` go to the script as they are ("--starttls", "--user", ...).
  explicit SmtpSink(const std::string& refuse = "", const std::vector<std::string>& options = {}) {
    start(refuse, options);
  }
  SmtpSink(const SmtpSink&) = delete;
  SmtpSink& operator=(const SmtpSink&) = delete;

  // The port it listens on, 0 when it did not start.
  int port() const { return process_.port(); }
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
    process_.start(arguments);
  }

  TestHome dir_;
  ToolProcess process_;
};
