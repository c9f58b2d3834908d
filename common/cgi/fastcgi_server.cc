// The FastCGI loop over Debian's libfcgi. Each request gets the environment
// of its parameters alone and the CGI streams on its connection; the
// settings a program made for the previous request are forgotten.
#include "common/cgi/fastcgi_server.h"

#include <fcgiapp.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "common/cgi/cgi_request.h"
#include "common/cgi/cgi_streams.h"
#include "common/files/termination.h"

namespace {

// The process environment made of one request's parameters. The strings
// stay owned here (putenv keeps pointers, setenv would keep every value
// ever set), so the memory does not grow from request to request.
class RequestEnvironment {
 public:
  void install(char** parameters) {
    clearenv();
    entries_.clear();
    for (char** entry = parameters; entry && *entry; ++entry) entries_.emplace_back(*entry);
    for (std::string& entry : entries_)
      if (entry.find('=') != std::string::npos) putenv(entry.data());
  }

 private:
  std::vector<std::string> entries_;
};

ssize_t readFromStream(void* stream, char* buffer, size_t size) {
  int got = FCGX_GetStr(buffer, static_cast<int>(size), static_cast<FCGX_Stream*>(stream));
  return got < 0 ? -1 : got;
}

ssize_t writeToStream(void* stream, const char* buffer, size_t size) {
  int put = FCGX_PutStr(buffer, static_cast<int>(size), static_cast<FCGX_Stream*>(stream));
  return put == static_cast<int>(size) ? put : -1;
}

// The FastCGI streams stay open until the request is finished.
int leaveStreamOpen(void*) { return 0; }

// Points the CGI streams at the request's connection for as long as it lives.
class RequestStreams {
 public:
  RequestStreams(FCGX_Stream* in, FCGX_Stream* out) {
    input_ = fopencookie(in, "r", {readFromStream, nullptr, nullptr, leaveStreamOpen});
    output_ = fopencookie(out, "w", {nullptr, writeToStream, nullptr, leaveStreamOpen});
    cgiStreams() = CgiStreams{input_, output_};
  }
  ~RequestStreams() {
    cgiStreams() = CgiStreams{};
    if (input_) std::fclose(input_);
    if (output_) std::fclose(output_);
  }
  RequestStreams(const RequestStreams&) = delete;
  RequestStreams& operator=(const RequestStreams&) = delete;
  bool open() const { return input_ && output_; }

 private:
  std::FILE* input_;
  std::FILE* output_;
};

// An exception other than the end of a request means the program is in a
// state no request should see: the request ends with what was written and
// the process exits, for the process manager to start a fresh one.
constexpr int kBrokenProcessStatus = 70;

struct Answered {
  int status;
  bool processBroken;
};

Answered answerOne(const char* argv0, RequestAnswer answer, FCGX_Request& request) {
  RequestStreams streams(request.in, request.out);
  if (!streams.open()) return {kBrokenProcessStatus, true};
  try {
    return {answer(argv0), false};
  } catch (const std::exception& broken) {
    std::fprintf(stderr, "%s: %s\n", argv0, broken.what());
    return {kBrokenProcessStatus, true};
  }
}

}  // namespace

int serveRequests(const char* argv0, RequestAnswer answer) {
  // After the library's own start, which may set a TERM handler of its own.
  bool cgi = FCGX_IsCGI();
  termination::endOnTerm();
  if (cgi) return answer(argv0);
  // A client that goes away mid-answer must end its request, not the process.
  std::signal(SIGPIPE, SIG_IGN);
  FCGX_Request request;
  if (FCGX_InitRequest(&request, 0, 0) != 0) return 1;
  RequestEnvironment environment;
  while (FCGX_Accept_r(&request) >= 0) {
    termination::Deferred untilAnswered;
    environment.install(request.envp);
    CgiRequest::forgetProgramSettings();
    Answered answered = answerOne(argv0, answer, request);
    FCGX_SetExitStatus(answered.status, request.out);
    FCGX_Finish_r(&request);
    if (answered.processBroken) return kBrokenProcessStatus;
  }
  return 0;
}
