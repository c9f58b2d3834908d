// The process-wide CGI streams.
#include "common/cgi/cgi_streams.h"

CgiStreams& cgiStreams() {
  static CgiStreams streams;
  return streams;
}

void writeDirect(std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), cgiStreams().output);
}
