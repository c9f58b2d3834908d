// Replays the entity conversion fuzz target's committed inputs through its
// harness.
#include <gtest/gtest.h>

#include "fuzz/harness/entities_harness.h"
#include "support/corpus_replay.h"

TEST(EntitiesCorpus, EveryCommittedInputConvertsCleanly) {
  auto inputs = corpusInputs("entities");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, data] : inputs) EXPECT_EQ(fuzz::fuzzEntities(data), "") << name;
}
