// The preflight answer of insert.
#include "insert/preflight.h"

#include "common/access/cross_origin.h"
#include "common/files/path.h"
#include "insert/method_refusal.h"

bool isPreflightRequest(const RequestContext& request) {
  return request.variables.value("REQUEST_METHOD") == "OPTIONS";
}

// The group's cross-origin lines are already among the answer's lines when
// the group allows the origin.
void Preflight::answer() {
  Text origin = requestOrigin(*this);
  if (crossOriginHeaderLines(options, origin).empty()) refuseMethod(*this);
  setStatus("204 No Content");
  writeHeader("", kPreflightHeaderLines);
}
