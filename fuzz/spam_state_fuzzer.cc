// libFuzzer target: a posted proof of work and the spam layers' state files.
// The harness (shared with the unit tests that replay the corpus) is in
// fuzz/harness/spam_state_harness.h.
#include "fuzz/harness/spam_state_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::abortOnProblem(fuzz::fuzzSpamState(fuzz::bytes(data, size)));
  return 0;
}
