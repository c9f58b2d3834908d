// Replays the committed inputs of the settings and group file fuzz targets
// (seeds and the inputs that once broke them) through their harnesses: each
// reads cleanly and the file written from it reads back to the same file.
#include <gtest/gtest.h>

#include "fuzz/harness/group_harness.h"
#include "fuzz/harness/settings_harness.h"
#include "support/corpus_replay.h"

TEST(SettingsCorpus, EveryCommittedInputRoundTrips) {
  auto inputs = corpusInputs("settings");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, data] : inputs) EXPECT_EQ(fuzz::fuzzSettings(data), "") << name;
}

TEST(GroupCorpus, EveryCommittedInputRoundTrips) {
  auto inputs = corpusInputs("group");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, data] : inputs) EXPECT_EQ(fuzz::fuzzGroup(data), "") << name;
}
