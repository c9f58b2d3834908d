// The streams a request is read from and answered on: the request body comes
// from `input`, the header and page go to `output`. A request gets them in
// its context (request_context.h); the process's own are standard input and
// output, which tests point at files of their own.
#pragma once

#include <cstdio>

struct CgiStreams {
  std::FILE* input = stdin;
  std::FILE* output = stdout;
};

// The process's own streams, which RequestContext::fromProcess hands on.
CgiStreams& cgiStreams();
