// The spam defences: the shares of the generated corpus and of the corpus
// kept apart (people quarantined and refused, bots stopped) with the first
// round's defences and with every layer that needs no script, the time of
// the decision alone, the cost of every defence to a whole insert run (rate,
// recent-submission and campaign files, the blocked words file, the score)
// against the same run without them, and a proof of work's challenge
// against a submission the rate limit refuses.
//
//   spam_bench [runs]     whole-process runs per variant (default 200)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/held_apart_corpus.h"
#include "support/spam_corpus.h"
#include "support/timed_run.h"

namespace {

void writeText(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

void printCorpus(const char* corpus, const char* defences, const CorpusFigures& figures) {
  std::printf(
      "figure\t%s, %s: people quarantined\tshare\t%.1f%% of %d (goal <= 0.5%%), %d "
      "refused\n",
      corpus, defences, figures.peopleHeldShare(), figures.people, figures.peopleRefused);
  std::printf("figure\t%s, %s: bots stopped or quarantined\tshare\t%.1f%% of %d (goal >= 98%%)\n",
              corpus, defences, figures.botsStoppedShare(), figures.bots);
}

void corpusFigures() {
  std::vector<CorpusSubmission> tests = CorpusGenerator(20261208).generate(1000, 1000);
  std::vector<CorpusSubmission> apart = HeldApartCorpus(4417).generate(1000, 1000);
  printCorpus("spam corpus", "first round", runCorpus(tests, kFirstRoundDefences));
  printCorpus("corpus kept apart", "first round", runCorpus(apart, kFirstRoundDefences));
  auto start = std::chrono::steady_clock::now();
  CorpusFigures every = runCorpus(tests);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  printCorpus("spam corpus", "every layer", every);
  CorpusFigures everyApart = runCorpus(apart);
  printCorpus("corpus kept apart", "every layer", everyApart);
  for (const auto& [layer, count] : everyApart.layers)
    std::printf("figure\tcorpus kept apart: stopped or scored by %s\tsubmissions\t%d\n",
                layer.c_str(), count);
  std::printf("figure\tspam decision in memory\tper submission\t%.1f us\n",
              seconds * 1e6 / static_cast<double>(tests.size()));
}

void makeHome(const std::string& home, const std::string& options) {
  std::filesystem::create_directories(home);
  writeText(home + "kalder.ini", "[GROUPS]\nshop=" + home + "shop.grp\n");
  writeText(home + "shop.grp", "index=none\nform=order\ncatalog=orders order\nlabel=Q-\n");
  if (!options.empty()) writeText(home + "shop.grp.options", options);
  writeText(home + "blocked.txt", "casino\nviagra\ncheap pills\ncrypto investment\n");
  writeText(home + "order.msg",
            "<html><body>Stored <var &label>, thank you <var name>.</body></html>\n");
}

// The median of what each round's run with defences took beyond the same
// round's run without: the three runs of a round follow each other, so a
// machine that slows down for a while slows all three, and the difference of
// two medians taken apart would carry that.
double medianExtra(const std::vector<double>& with, const std::vector<double>& without) {
  std::vector<double> extra;
  for (size_t i = 0; i < with.size() && i < without.size(); ++i)
    extra.push_back(with[i] - without[i]);
  return median(extra);
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::atoi(argv[1]) : 200;
  corpusFigures();
  std::string directory = "/tmp/kalder-bench-spam-" + std::to_string(getpid()) + "/";
  makeHome(directory + "plain/", "");
  const std::string firstRound =
      "honeypot=website\nrateLimit=on\nduplicateWindow=on\nspamRules=on\n"
      "blockedWordsFile=blocked.txt\nnumericFields=phone\n";
  makeHome(directory + "first/", firstRound);
  makeHome(directory + "defended/", firstRound + "campaignWindow=on\nrateLimitNetwork=on\n");
  makeHome(directory + "challenged/", "proofOfWork=on\nrateLimit=1/day\n");
  std::string insert = std::string(KALDER_BIN_DIR) + "/insert";
  std::vector<double> plain, first, defended;
  for (int i = 0; i < runs; ++i) {
    // Each run its own text, link and network, as people send: none is
    // refused, held or taken for a second click, and the campaign file is
    // read and written for each.
    std::string body = "name=Ana+Novak&city=Ljubljana&phone=01+234+5678&website=&note=Order+" +
                       std::to_string(i) + "+before+noon%2C+at+https%3A%2F%2Fmaps.example.net%2F" +
                       std::to_string(i);
    writeText(directory + "body", body);
    // In turn first, so that none gains from the others' warm caches.
    std::vector<double>* order[3] = {&plain, &first, &defended};
    std::rotate(order, order + i % 3, order + 3);
    for (auto* variant : order) {
      std::string home = directory + (variant == &plain   ? "plain/"
                                      : variant == &first ? "first/"
                                                          : "defended/");
      std::map<std::string, std::string> environment = {
          {"REQUEST_METHOD", "POST"},
          {"QUERY_STRING", "formid=order"},
          {"CONTENT_LENGTH", std::to_string(body.size())},
          {"CONTENT_TYPE", "application/x-www-form-urlencoded"},
          {"PATH_INFO", "/shop"},
          {"SCRIPT_NAME", "/cgi-bin/insert.exe"},
          {"REMOTE_ADDR", "10." + std::to_string(i / 250) + "." + std::to_string(i % 250) + ".1"},
          {"KALDERHOME", home}};
      TimedRun run = timedRun(insert, environment, directory + "body");
      if (run.status != 0) {
        std::fprintf(stderr, "spam_bench: insert exited with %d\n", run.status);
        return 1;
      }
      variant->push_back(run.seconds * 1000);
    }
  }
  std::vector<double> challenges, refusals;
  writeText(directory + "empty", "");
  for (int i = 0; i < runs; ++i) {
    std::string home = directory + "challenged/";
    std::map<std::string, std::string> challenge = {
        {"REQUEST_METHOD", "GET"},   {"QUERY_STRING", "challenge=1"},
        {"PATH_INFO", "/shop"},      {"SCRIPT_NAME", "/cgi-bin/insert.exe"},
        {"REMOTE_ADDR", "10.1.0.1"}, {"KALDERHOME", home}};
    // The second and later posts of one address in a day: refused with 429.
    std::map<std::string, std::string> refused = {
        {"REQUEST_METHOD", "POST"},
        {"QUERY_STRING", "formid=order"},
        {"CONTENT_LENGTH", std::to_string(std::string("name=Ana").size())},
        {"CONTENT_TYPE", "application/x-www-form-urlencoded"},
        {"PATH_INFO", "/shop"},
        {"SCRIPT_NAME", "/cgi-bin/insert.exe"},
        {"REMOTE_ADDR", "10.1.0.2"},
        {"KALDERHOME", home}};
    writeText(directory + "short", "name=Ana");
    challenges.push_back(timedRun(insert, challenge, directory + "empty").seconds * 1000);
    refusals.push_back(timedRun(insert, refused, directory + "short").seconds * 1000);
  }
  std::printf("figure\tproof of work: a challenge\tmedian\t%.3f ms\n", median(challenges));
  std::printf("figure\tproof of work: a submission refused by the rate limit\tmedian\t%.3f ms\n",
              median(refusals));
  double without = median(plain), with = median(defended);
  std::printf("insert whole-process time, %d runs each: without defences %.3f ms, with %.3f ms\n",
              runs, without, with);
  std::printf("figure\tinsert with every spam defence on\tmedian\t%.3f ms\n", with);
  std::printf("figure\tcost of the spam defences\tshare of a submission\t%+.1f%% (goal <= 10%%)\n",
              100.0 * medianExtra(defended, plain) / without);
  std::printf("figure\tcost of the first round's defences alone\tshare of a submission\t%+.1f%%\n",
              100.0 * medianExtra(first, plain) / without);
  std::error_code ignored;
  std::filesystem::remove_all(directory, ignored);
  return 0;
}
