// The process's own CGI streams.
#include "common/cgi/cgi_streams.h"

CgiStreams& cgiStreams() {
  static CgiStreams streams;
  return streams;
}
