// Replays the committed inputs of the spam state fuzz target (a posted
// proof of work, the campaign, rate and spent-proof files) through its
// harness.
#include <gtest/gtest.h>

#include "fuzz/harness/spam_state_harness.h"
#include "support/corpus_replay.h"

TEST(SpamStateCorpus, EveryCommittedInputReadsCleanly) {
  auto inputs = corpusInputs("spam_state");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, data] : inputs) EXPECT_EQ(fuzz::fuzzSpamState(data), "") << name;
}
