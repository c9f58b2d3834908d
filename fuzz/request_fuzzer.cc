// libFuzzer target: request decoding: PATH_INFO, query string and POST body.
// The harness (shared with the unit tests that replay the corpus) is in
// fuzz/harness/request_harness.h.
#include "fuzz/harness/request_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::abortOnProblem(fuzz::fuzzRequest(fuzz::bytes(data, size)));
  return 0;
}
