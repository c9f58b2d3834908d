// Replays the request fuzz target's committed inputs (seeds and the inputs
// that once broke it) through its harness.
#include <gtest/gtest.h>

#include "fuzz/harness/request_harness.h"
#include "support/corpus_replay.h"

TEST(RequestCorpus, EveryCommittedInputDecodesCleanly) {
  auto inputs = corpusInputs("request");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, data] : inputs) EXPECT_EQ(fuzz::fuzzRequest(data), "") << name;
}
