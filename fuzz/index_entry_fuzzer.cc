// libFuzzer target: readIndexEntry, private and common.
// The harness (shared with the unit tests that replay the corpus) is in
// fuzz/harness/index_entry_harness.h.
#include "fuzz/harness/index_entry_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::abortOnProblem(fuzz::fuzzIndexEntries(fuzz::bytes(data, size)));
  return 0;
}
