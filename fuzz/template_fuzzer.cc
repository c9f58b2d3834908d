// libFuzzer target: the template processor with posted fields.
// The harness (shared with the unit tests that replay the corpus) is in
// fuzz/harness/template_harness.h.
#include "fuzz/harness/template_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::abortOnProblem(fuzz::fuzzTemplate(fuzz::bytes(data, size)));
  return 0;
}
