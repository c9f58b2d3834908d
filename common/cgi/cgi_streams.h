// The streams a CGI program talks to the web server through: the request body
// comes from `input`, the header and page go to `output`. Programs use the
// process's standard streams; tests point these at files of their own.
#pragma once

#include <cstdio>
#include <string_view>

struct CgiStreams {
  std::FILE* input = stdin;
  std::FILE* output = stdout;
};

CgiStreams& cgiStreams();

// Writes bytes to the page unchanged (no formatting, no coding conversion).
void writeDirect(std::string_view bytes);
