// runProgram: the entry shared by every program. It builds the application
// object, runs its one operation, writes what is still marked changed and
// returns the exit status; a fatal error page ends it with status 1.
#pragma once

#include <cstdio>

#include "common/cgi/cgi_request.h"
#include "common/cgi/cgi_streams.h"
#include "common/cgi/request_ended.h"

template <typename Application>
int runProgram(const char* argv0, void (Application::*operation)()) {
  CgiRequest::setProgramArgument(argv0);
  int status = 0;
  try {
    Application application;
    (application.*operation)();
    application.finish();
  } catch (const RequestEnded& ended) {
    status = ended.status;
  }
  std::fflush(cgiStreams().output);
  return status;
}
