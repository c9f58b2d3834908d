// Serving requests one after another in one process: a program started by a
// FastCGI process manager (a listening socket on descriptor 0) answers every
// request it accepts as a fresh CGI process would; otherwise it answers the
// one request of a CGI process.
#pragma once

#include "common/cgi/request_context.h"

// One request's answer: builds the program's application for the request's
// context and returns the exit status a CGI process would end with.
using RequestAnswer = int (*)(const RequestContext& request);

// Answers the CGI request, or the accepted FastCGI requests until the
// manager closes the socket, each with the program's `traits`. Returns the
// process's exit status.
int serveRequests(const ProgramTraits& program, RequestAnswer answer);
