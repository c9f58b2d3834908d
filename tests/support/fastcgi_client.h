// A FastCGI client for the tests: starts a program as a FastCGI process
// manager does (a listening Unix socket on descriptor 0, an empty
// environment) and sends it requests as a web server would, one connection
// a request. The program keeps running between requests.
#pragma once

#include <mutex>
#include <string>

#include "support/cgi_run.h"

class FastCgiServer {
 public:
  explicit FastCgiServer(const std::string& program);
  ~FastCgiServer();
  FastCgiServer(const FastCgiServer&) = delete;
  FastCgiServer& operator=(const FastCgiServer&) = delete;

  // Sends one request: the environment as its parameters, the body as its
  // input. The result's status is the application status the program ended
  // the request with; -1 when the connection ended without one (the
  // program died) or `timeoutSeconds` passed (the program is then killed).
  CgiResult request(const Environment& env, const std::string& body, int timeoutSeconds = 30);
  // True while the program runs; a dead one is started again by start().
  bool running();
  void start();
  void stop();
  int pid() const { return pid_; }
  // The resident set of the program in bytes (from /proc), 0 when unknown.
  long residentBytes() const;
  // How many file descriptors the program holds open.
  long openDescriptors() const;

 private:
  std::string program_;
  std::string socketPath_;
  int pid_ = -1;
  std::mutex startMutex_;
};

// True when the end-to-end tests run the programs over FastCGI
// (KALDER_TEST_FASTCGI=1): runCgi then sends each request to one resident
// process per program.
bool fastCgiMode();
// The resident process of `program` in this test process, started at need.
FastCgiServer& residentServer(const std::string& program);
