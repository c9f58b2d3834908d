// libFuzzer target: the entity conversion.
// The harness (shared with the unit tests that replay the corpus) is in
// fuzz/harness/entities_harness.h.
#include "fuzz/harness/entities_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::abortOnProblem(fuzz::fuzzEntities(fuzz::bytes(data, size)));
  return 0;
}
