// CgiEnvironment: an in-process stand-in for the web server. It clears the
// CGI variables, points KALDERHOME at a fresh TestHome, feeds the request body
// from a file and captures everything the page layers write.
#pragma once

#include <cstdio>
#include <string>

#include "support/test_home.h"

class CgiEnvironment {
 public:
  CgiEnvironment();
  ~CgiEnvironment();
  CgiEnvironment(const CgiEnvironment&) = delete;
  CgiEnvironment& operator=(const CgiEnvironment&) = delete;

  void set(const char* name, const std::string& value);
  // A GET request with this query string (and PATH_INFO when group is given).
  void get(const std::string& query, const std::string& group = "");
  // A POST request with this body and query string.
  void post(const std::string& body, const std::string& query = "", const std::string& group = "");
  // Everything written to the page so far; clear() forgets it.
  std::string output();
  void clearOutput();

  const TestHome& home() const { return home_; }

 private:
  TestHome home_;
  std::FILE* input_ = nullptr;
  std::FILE* output_ = nullptr;
};
