// Replays the template fuzz target's committed inputs (seeds and the inputs
// that once broke it) through its harness: expansion ends and visitor text
// never includes a file.
#include <gtest/gtest.h>

#include "fuzz/harness/template_harness.h"
#include "support/corpus_replay.h"

TEST(TemplateCorpus, EveryCommittedInputExpandsSafely) {
  auto inputs = corpusInputs("template");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, data] : inputs) EXPECT_EQ(fuzz::fuzzTemplate(data), "") << name;
}
