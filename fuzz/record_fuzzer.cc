// libFuzzer target: the record reader in both layouts and the record writer.
// The harness (shared with the unit tests that replay the corpus) is in
// fuzz/harness/record_harness.h.
#include "fuzz/harness/record_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::abortOnProblem(fuzz::fuzzRecords(fuzz::bytes(data, size)));
  return 0;
}
