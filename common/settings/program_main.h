// runProgram: the answer shared by every program. It builds the application
// object, runs its one operation, writes what is still marked changed and
// returns the exit status; a fatal error page ends it with status 1. A
// program's main hands its traits and its request answer to serveRequests,
// which runs it once as CGI or for every request over FastCGI
// (fastcgi_server.h), each time with the request's own context.
// startedFromShell tells a command typed on the server from a web request.
#pragma once

#include <cstdio>

#include "common/cgi/cgi_request.h"
#include "common/cgi/cgi_streams.h"
#include "common/cgi/fastcgi_server.h"
#include "common/cgi/request_context.h"
#include "common/cgi/request_ended.h"

template <typename Application>
int runProgram(const RequestContext& request, void (Application::*operation)()) {
  int status = 0;
  try {
    Application application(request);
    (application.*operation)();
    application.finish();
  } catch (const RequestEnded& ended) {
    status = ended.status;
  }
  std::fflush(request.streams.output);
  return status;
}

// True when no web server started the process: neither GATEWAY_INTERFACE nor
// REQUEST_METHOD is set, not even empty. Only then may a program read its
// arguments as a command, because a web server can pass arguments too
// (Apache's mod_cgi makes "zorvik.exe?--set-password" an argument).
inline bool startedFromShell() {
  RequestVariables environment = RequestVariables::fromEnvironment();
  return !environment.find("GATEWAY_INTERFACE") && !environment.find("REQUEST_METHOD");
}
