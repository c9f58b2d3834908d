// The spam defences over a generated corpus of 1,000 people's and 1,000
// bots' submissions: no person is refused, at most 1% of them quarantined,
// and at least 95% of the bots are refused, quarantined or stored once.
#include "support/spam_corpus.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(SpamCorpus, StopsTheBotsAndPassesThePeople) {
  std::vector<CorpusSubmission> corpus = CorpusGenerator(20261208).generate(1000, 1000);
  CorpusDefences defences;
  int people = 0, bots = 0, peopleRefused = 0, peopleHeld = 0, botsStopped = 0;
  for (const CorpusSubmission& s : corpus) {
    Verdict verdict = defences.judge(s);
    if (s.bot) {
      ++bots;
      if (verdict != Verdict::Stored) ++botsStopped;
    } else {
      ++people;
      if (verdict == Verdict::Refused) ++peopleRefused;
      if (verdict == Verdict::Quarantined) ++peopleHeld;
    }
  }
  std::printf("people %d: passed %.1f%%, quarantined %.1f%%, refused %d; bots %d: stopped %.1f%%\n",
              people, 100.0 * (people - peopleHeld - peopleRefused) / people,
              100.0 * peopleHeld / people, peopleRefused, bots, 100.0 * botsStopped / bots);
  EXPECT_GE(people, 1000);
  EXPECT_GE(bots, 1000);
  EXPECT_EQ(peopleRefused, 0);
  EXPECT_LE(peopleHeld * 100, people);
  EXPECT_GE(botsStopped * 100, bots * 95);
}
