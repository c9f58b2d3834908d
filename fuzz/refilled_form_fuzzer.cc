// libFuzzer target: the re-filled form page.
// The harness (shared with the unit tests that replay the corpus) is in
// fuzz/harness/refilled_form_harness.h.
#include "fuzz/harness/refilled_form_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::abortOnProblem(fuzz::fuzzRefilledForm(fuzz::bytes(data, size)));
  return 0;
}
