// libFuzzer target: the delimited record writer and reader round trip. The
// harness (shared with the unit tests that replay the corpus) is in
// fuzz/harness/delimited_harness.h.
#include "fuzz/harness/delimited_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::abortOnProblem(fuzz::fuzzDelimited(fuzz::bytes(data, size)));
  return 0;
}
