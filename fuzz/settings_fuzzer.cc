// libFuzzer target: the settings file reader and writer.
// The harness (shared with the unit tests that replay the corpus) is in
// fuzz/harness/settings_harness.h.
#include "fuzz/harness/settings_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::abortOnProblem(fuzz::fuzzSettings(fuzz::bytes(data, size)));
  return 0;
}
