// Replays the multipart fuzz target's committed inputs through its harness.
#include <gtest/gtest.h>

#include "fuzz/harness/multipart_harness.h"
#include "support/corpus_replay.h"

TEST(MultipartCorpus, EveryCommittedInputDecodesCleanly) {
  auto inputs = corpusInputs("multipart");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, data] : inputs) EXPECT_EQ(fuzz::fuzzMultipart(data), "") << name;
}
