// libFuzzer target: the group description file reader and writer.
// The harness (shared with the unit tests that replay the corpus) is in
// fuzz/harness/group_harness.h.
#include "fuzz/harness/group_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::abortOnProblem(fuzz::fuzzGroup(fuzz::bytes(data, size)));
  return 0;
}
