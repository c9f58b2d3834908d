// WebhookReceiver: runs tests/tools/webhook_receiver.py on a free loopback
// port for the length of one test, over HTTPS with a certificate for
// 127.0.0.1 made for it (caFile() is the authority to trust), and reads back
// the requests it took (see the script's header for their layout).
// Header-only, as SmtpSink is.
#pragma once

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/test_home.h"
#include "support/tool_process.h"

class WebhookReceiver {
 public:
  struct Behaviour {
    std::string secret;
    int fail = 0;  // the first requests answered failStatus, later ones 200
    int failStatus = 503;
    bool https = true;
  };

  explicit WebhookReceiver(const Behaviour& behaviour) { start(behaviour); }
  WebhookReceiver(const WebhookReceiver&) = delete;
  WebhookReceiver& operator=(const WebhookReceiver&) = delete;

  int port() const { return process_.port(); }
  std::string caFile() const { return dir_.file("cert.pem"); }
  std::string url() const {
    return std::string(https_ ? "https" : "http") +
           "://127.0.0.1:" + std::to_string(process_.port()) + "/hook";
  }

  // The requests in the order received, once at least `count` are there or
  // `seconds` have passed.
  std::vector<std::string> requests(size_t count = 1, int seconds = 10) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
      std::vector<std::string> names = requestNames();
      if (names.size() >= count || std::chrono::steady_clock::now() > deadline) {
        std::vector<std::string> contents;
        for (const std::string& name : names) contents.push_back(readFile(dir_.file("in/") + name));
        return contents;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

 private:
  std::vector<std::string> requestNames() const {
    std::vector<std::string> names;
    if (DIR* dir = opendir(dir_.file("in").c_str())) {
      while (dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.') names.push_back(entry->d_name);
      closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  bool makeCertificate() const {
    std::string command =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
        "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout " +
        dir_.file("key.pem") + " -out " + caFile() + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  }

  void start(const Behaviour& behaviour) {
    https_ = behaviour.https;
    if (https_ && !makeCertificate()) return;
    std::vector<std::string> arguments = {
        "/usr/bin/python3",
        std::string(KALDER_SOURCE_DIR) + "/tests/tools/webhook_receiver.py",
        "--port",
        "0",
        "--dir",
        dir_.file("in"),
        "--secret",
        behaviour.secret,
        "--fail",
        std::to_string(behaviour.fail),
        "--fail-status",
        std::to_string(behaviour.failStatus)};
    if (https_)
      arguments.insert(arguments.end(), {"--cert", caFile(), "--key", dir_.file("key.pem")});
    process_.start(arguments);
  }

  TestHome dir_;
  ToolProcess process_;
  bool https_ = true;
};
