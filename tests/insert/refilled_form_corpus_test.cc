// Replays the re-filled form fuzz target's committed inputs through its
// harness.
#include <gtest/gtest.h>

#include "fuzz/harness/refilled_form_harness.h"
#include "support/corpus_replay.h"

TEST(RefilledFormCorpus, EveryCommittedPageIsRefilledSafely) {
  auto inputs = corpusInputs("refilled_form");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, data] : inputs) EXPECT_EQ(fuzz::fuzzRefilledForm(data), "") << name;
}
