// Serving requests one after another in one process: a program started by a
// FastCGI process manager (a listening socket on descriptor 0) answers every
// request it accepts as a fresh CGI process would; otherwise it answers the
// one request of a CGI process.
#pragma once

// One request's answer: builds the program's application and returns the
// exit status a CGI process would end with.
using RequestAnswer = int (*)(const char* argv0);

// Answers the CGI request, or the accepted FastCGI requests until the
// manager closes the socket. Returns the process's exit status.
int serveRequests(const char* argv0, RequestAnswer answer);
