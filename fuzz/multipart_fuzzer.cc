// libFuzzer target: multipart/form-data bodies. The harness (shared with the
// unit tests that replay the corpus) is in fuzz/harness/multipart_harness.h.
#include "fuzz/harness/multipart_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::abortOnProblem(fuzz::fuzzMultipart(fuzz::bytes(data, size)));
  return 0;
}
