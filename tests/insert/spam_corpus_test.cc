// The spam defences that need no script in the browser, over the generated
// corpus of 1,000 people's and 1,000 bots' submissions and over a second
// corpus kept apart from the rules' tuning (drip campaigns, bursts inside
// the rate limit, addresses rotating in one network): no person is refused,
// at most 0.5% of them quarantined, and at least 98% of the bots refused,
// quarantined or stored once.
#include "support/spam_corpus.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "support/held_apart_corpus.h"

namespace {

void expectGoals(const char* name, const CorpusFigures& figures) {
  std::printf("%s: people %d: quarantined %.1f%%, refused %d; bots %d: stopped %.1f%%\n", name,
              figures.people, figures.peopleHeldShare(), figures.peopleRefused, figures.bots,
              figures.botsStoppedShare());
  for (const auto& [kind, counts] : figures.botKinds)
    std::printf("  %s: %d of %d stopped\n", kind.c_str(), counts.first, counts.second);
  EXPECT_GE(figures.people, 1000) << name;
  EXPECT_GE(figures.bots, 1000) << name;
  EXPECT_EQ(figures.peopleRefused, 0) << name;
  EXPECT_LE(figures.peopleHeld * 200, figures.people) << name;
  EXPECT_GE(figures.botsStopped * 100, figures.bots * 98) << name;
}

}  // namespace

TEST(SpamCorpus, StopsTheBotsAndPassesThePeople) {
  expectGoals("test corpus", runCorpus(CorpusGenerator(20261208).generate(1000, 1000)));
}

TEST(SpamCorpus, StopsTheBotsOfTheCorpusKeptApart) {
  expectGoals("corpus kept apart", runCorpus(HeldApartCorpus(4417).generate(1000, 1000)));
}
