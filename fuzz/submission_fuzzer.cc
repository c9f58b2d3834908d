// libFuzzer target: a whole submission from a hostile request, stored in
// each of the ways a group can choose. The harness (shared with the unit
// tests that replay the corpus) is in fuzz/harness/submission_harness.h.
#include "fuzz/harness/submission_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::abortOnProblem(fuzz::fuzzSubmission(fuzz::bytes(data, size)));
  return 0;
}
