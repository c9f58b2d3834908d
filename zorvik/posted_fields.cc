// Capturing and decoding the request body without value normalisation.
#include "zorvik/posted_fields.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "common/cgi/cgi_request.h"
#include "common/cgi/cgi_streams.h"
#include "common/cgi/path.h"

namespace {

struct Capture {
  std::optional<Text> body;
  std::string buffer;  // backs the replacement stream while it is open
  std::FILE* stream = nullptr;
};

Capture& capture() {
  static Capture state;
  return state;
}

// CONTENT_LENGTH read the way the request layer reads it: anything that is
// not a non-negative decimal number is 0; more than its limit is cut.
long wantedLength() {
  Text value = envValue("CONTENT_LENGTH");
  char* end = nullptr;
  errno = 0;
  long n = std::strtol(value.c_str(), &end, 10);
  if (end == value.c_str() || errno || n < 0) return 0;
  return n > CgiRequest::kMaxBodyLength ? CgiRequest::kMaxBodyLength : n;
}

void releaseStream(Capture& state) {
  if (!state.stream) return;
  if (cgiStreams().input == state.stream) cgiStreams().input = stdin;
  std::fclose(state.stream);
  state.stream = nullptr;
}

}  // namespace

void captureRequestBody() {
  Capture& state = capture();
  releaseStream(state);
  state.body.reset();
  if (envValue("REQUEST_METHOD") != "POST") return;
  Text body;
  body.readBytes(cgiStreams().input, wantedLength());
  state.body = body;
  if (body.empty()) return;
  state.buffer = body.str();
  state.stream = fmemopen(state.buffer.data(), state.buffer.size(), "r");
  if (state.stream) cgiStreams().input = state.stream;
}

const Text* capturedRequestBody() {
  const Capture& state = capture();
  return state.body ? &*state.body : nullptr;
}

namespace {

void addRawField(ParamList& fields, Text name, Text value) {
  urlDecode(name);
  urlDecode(value);
  value.removeChar('\r');
  if (name.empty() || value.empty()) return;
  if (Param* existing = fields.find(name)) {
    existing->further.push_back(value);
    return;
  }
  fields.setVerbatim(name, value);
}

}  // namespace

void parseRawFields(std::string_view body, ParamList& fields) {
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string_view::npos) end = body.size();
    std::string_view item = body.substr(start, end - start);
    start = end + 1;
    size_t eq = item.find('=');
    if (eq == std::string_view::npos) continue;
    addRawField(fields, Text(item.substr(0, eq)), Text(item.substr(eq + 1)));
  }
}
