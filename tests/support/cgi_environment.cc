// The in-process CGI environment of unit tests.
#include "support/cgi_environment.h"

#include <unistd.h>

#include <cstdlib>

#include "common/cgi/cgi_streams.h"

namespace {

const char* const kCgiVariables[] = {"REQUEST_METHOD", "QUERY_STRING",    "CONTENT_LENGTH",
                                     "PATH_INFO",      "PATH_TRANSLATED", "PATH_TRANSLATE",
                                     "SCRIPT_NAME",    "REMOTE_ADDR",     "KALDERHOME"};

}  // namespace

CgiEnvironment::CgiEnvironment() {
  for (const char* name : kCgiVariables) unsetenv(name);
  setenv("KALDERHOME", home_.path().c_str(), 1);
  setenv("SCRIPT_NAME", "/cgi-bin/test.exe", 1);
  input_ = std::tmpfile();
  output_ = std::tmpfile();
  cgiStreams().input = input_;
  cgiStreams().output = output_;
}

CgiEnvironment::~CgiEnvironment() {
  cgiStreams().input = stdin;
  cgiStreams().output = stdout;
  std::fclose(input_);
  std::fclose(output_);
  for (const char* name : kCgiVariables) unsetenv(name);
}

void CgiEnvironment::set(const char* name, const std::string& value) {
  setenv(name, value.c_str(), 1);
}

void CgiEnvironment::get(const std::string& query, const std::string& group) {
  set("REQUEST_METHOD", "GET");
  set("QUERY_STRING", query);
  if (!group.empty()) set("PATH_INFO", "/" + group);
}

void CgiEnvironment::post(const std::string& body, const std::string& query,
                          const std::string& group) {
  set("REQUEST_METHOD", "POST");
  set("QUERY_STRING", query);
  set("CONTENT_LENGTH", std::to_string(body.size()));
  if (!group.empty()) set("PATH_INFO", "/" + group);
  std::rewind(input_);
  std::fwrite(body.data(), 1, body.size(), input_);
  std::fflush(input_);
  std::rewind(input_);
}

std::string CgiEnvironment::output() {
  std::fflush(output_);
  long end = std::ftell(output_);
  std::string content(static_cast<size_t>(end), '\0');
  std::rewind(output_);
  size_t got = std::fread(content.data(), 1, content.size(), output_);
  content.resize(got);
  std::fseek(output_, 0, SEEK_END);
  return content;
}

void CgiEnvironment::clearOutput() {
  std::fflush(output_);
  int fd = fileno(output_);
  if (ftruncate(fd, 0) != 0) return;
  std::rewind(output_);
}
