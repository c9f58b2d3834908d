// Replays the submission fuzz target's committed inputs (seeds and the
// inputs that once broke it) through its harness: whatever is posted, the
// catalog and its index still read as whole records and entries.
#include <gtest/gtest.h>

#include "fuzz/harness/submission_harness.h"
#include "support/corpus_replay.h"

TEST(SubmissionCorpus, EveryCommittedInputLeavesTheCatalogWhole) {
  auto inputs = corpusInputs("submission");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, data] : inputs) EXPECT_EQ(fuzz::fuzzSubmission(data), "") << name;
}
