// The FastCGI loop over Debian's libfcgi. Each request gets a context of its
// own: its parameters as its variables, its connection as its streams, the
// program's traits; nothing of it outlives the request.
#include "common/cgi/fastcgi_server.h"

#include <fcgiapp.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <exception>

#include "common/cgi/request_context.h"
#include "common/files/termination.h"

namespace {

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

// The request's connection as the streams of its context, for as long as it
// lives.
class ConnectionStreams {
 public:
  ConnectionStreams(FCGX_Stream* in, FCGX_Stream* out) {
    input_ = fopencookie(in, "r", {readFromStream, nullptr, nullptr, leaveStreamOpen});
    output_ = fopencookie(out, "w", {nullptr, writeToStream, nullptr, leaveStreamOpen});
  }
  ~ConnectionStreams() {
    if (input_) std::fclose(input_);
    if (output_) std::fclose(output_);
  }
  ConnectionStreams(const ConnectionStreams&) = delete;
  ConnectionStreams& operator=(const ConnectionStreams&) = delete;
  bool open() const { return input_ && output_; }
  CgiStreams streams() const { return CgiStreams{input_, output_}; }

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

// A CGI server starts the program in the directory of its file, where a
// relative path in a group file ("response=@list.txt") is found: a resident
// process answers each request there too, or in the home without one.
void enterRequestDirectory(const RequestVariables& variables) {
  Text script = variables.value("SCRIPT_FILENAME");
  size_t slash = script.str().find_last_of('/');
  Text directory = slash != std::string::npos && slash > 0 ? script.substring(0, slash)
                                                           : variables.value("KALDERHOME");
  if (!directory.empty() && chdir(directory.c_str()) != 0) {
    // The home's own checks report what is wrong with it.
  }
}

Answered answerOne(const ProgramTraits& program, RequestAnswer answer, FCGX_Request& request,
                   FileCache& files) {
  ConnectionStreams connection(request.in, request.out);
  if (!connection.open()) return {kBrokenProcessStatus, true};
  RequestContext context{RequestVariables::fromEntries(request.envp), connection.streams(), program,
                         &files};
  enterRequestDirectory(context.variables);
  try {
    return {answer(context), false};
  } catch (const std::exception& broken) {
    std::fprintf(stderr, "%s: %s\n", program.programArgument.c_str(), broken.what());
    return {kBrokenProcessStatus, true};
  }
}

}  // namespace

int serveRequests(const ProgramTraits& program, RequestAnswer answer) {
  // After the library's own start, which may set a TERM handler of its own.
  bool cgi = FCGX_IsCGI();
  termination::endOnTerm();
  if (cgi) return answer(RequestContext::fromProcess(program));
  // A client that goes away mid-answer must end its request, not the process.
  std::signal(SIGPIPE, SIG_IGN);
  FCGX_Request request;
  if (FCGX_InitRequest(&request, 0, 0) != 0) return 1;
  FileCache files;
  while (FCGX_Accept_r(&request) >= 0) {
    termination::Deferred untilAnswered;
    Answered answered = answerOne(program, answer, request, files);
    FCGX_SetExitStatus(answered.status, request.out);
    FCGX_Finish_r(&request);
    if (answered.processBroken) return kBrokenProcessStatus;
  }
  return 0;
}
