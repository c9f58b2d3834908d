// Replays the committed inputs of the record, delimited record and index
// entry fuzz targets (seeds and the inputs that once broke them) through
// their harnesses.
#include <gtest/gtest.h>

#include "fuzz/harness/delimited_harness.h"
#include "fuzz/harness/index_entry_harness.h"
#include "fuzz/harness/record_harness.h"
#include "support/corpus_replay.h"

TEST(RecordCorpus, EveryCommittedInputReadsCleanly) {
  auto inputs = corpusInputs("record");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, data] : inputs) EXPECT_EQ(fuzz::fuzzRecords(data), "") << name;
}

TEST(IndexEntryCorpus, EveryCommittedInputReadsCleanly) {
  auto inputs = corpusInputs("index_entry");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, data] : inputs) EXPECT_EQ(fuzz::fuzzIndexEntries(data), "") << name;
}

TEST(DelimitedCorpus, EveryCommittedInputRoundTrips) {
  auto inputs = corpusInputs("delimited");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, data] : inputs) EXPECT_EQ(fuzz::fuzzDelimited(data), "") << name;
}
