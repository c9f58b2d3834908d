// The spam defences: the shares of the generated corpus (people passed and
// quarantined, bots stopped), the time of the decision alone, and the cost of
// every defence to a whole insert run (rate and recent-submission files,
// the blocked words file, the score) against the same run without them.
//
//   spam_bench [runs]     whole-process runs per variant (default 200)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/spam_corpus.h"
#include "support/timed_run.h"

namespace {

void writeText(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

void corpusFigures() {
  std::vector<CorpusSubmission> corpus = CorpusGenerator(20261208).generate(1000, 1000);
  CorpusDefences defences;
  int people = 0, bots = 0, peopleHeld = 0, peopleRefused = 0, botsStopped = 0;
  auto start = std::chrono::steady_clock::now();
  for (const CorpusSubmission& s : corpus) {
    Verdict verdict = defences.judge(s);
    if (s.bot) {
      ++bots;
      botsStopped += verdict != Verdict::Stored;
    } else {
      ++people;
      peopleHeld += verdict == Verdict::Quarantined;
      peopleRefused += verdict == Verdict::Refused;
    }
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("figure\tspam corpus: people passed\tshare\t%.1f%% of %d\n",
              100.0 * (people - peopleHeld - peopleRefused) / people, people);
  std::printf("figure\tspam corpus: people quarantined\tshare\t%.1f%% (goal <= 1%%), %d refused\n",
              100.0 * peopleHeld / people, peopleRefused);
  std::printf(
      "figure\tspam corpus: bots stopped or quarantined\tshare\t%.1f%% of %d (goal >= 95%%)\n",
      100.0 * botsStopped / bots, bots);
  std::printf("figure\tspam decision in memory\tper submission\t%.1f us\n",
              seconds * 1e6 / static_cast<double>(corpus.size()));
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

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::atoi(argv[1]) : 200;
  corpusFigures();
  std::string directory = "/tmp/kalder-bench-spam-" + std::to_string(getpid()) + "/";
  makeHome(directory + "plain/", "");
  makeHome(directory + "defended/",
           "honeypot=website\nrateLimit=on\nduplicateWindow=on\nspamRules=on\n"
           "blockedWordsFile=blocked.txt\nnumericFields=phone\n");
  std::string insert = std::string(KALDER_BIN_DIR) + "/insert";
  std::vector<double> plain, defended;
  for (int i = 0; i < runs; ++i) {
    // Each run its own text and address, as people send: none is refused,
    // held or taken for a second click.
    std::string body = "name=Ana+Novak&city=Ljubljana&phone=01+234+5678&website=&note=Order+" +
                       std::to_string(i) + "+before+noon";
    writeText(directory + "body", body);
    // Alternately first, so that neither gains from the other's warm caches.
    std::vector<double>* order[2] = {&plain, &defended};
    if (i % 2) std::swap(order[0], order[1]);
    for (auto* variant : order) {
      std::string home = directory + (variant == &plain ? "plain/" : "defended/");
      std::map<std::string, std::string> environment = {
          {"REQUEST_METHOD", "POST"},
          {"QUERY_STRING", "formid=order"},
          {"CONTENT_LENGTH", std::to_string(body.size())},
          {"CONTENT_TYPE", "application/x-www-form-urlencoded"},
          {"PATH_INFO", "/shop"},
          {"SCRIPT_NAME", "/cgi-bin/insert.exe"},
          {"REMOTE_ADDR", "10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1)},
          {"KALDERHOME", home}};
      TimedRun run = timedRun(insert, environment, directory + "body");
      if (run.status != 0) {
        std::fprintf(stderr, "spam_bench: insert exited with %d\n", run.status);
        return 1;
      }
      variant->push_back(run.seconds * 1000);
    }
  }
  double without = median(plain), with = median(defended);
  std::printf("insert whole-process time, %d runs each: without defences %.3f ms, with %.3f ms\n",
              runs, without, with);
  std::printf("figure\tinsert with every spam defence on\tmedian\t%.3f ms\n", with);
  std::printf("figure\tcost of the spam defences\tshare of a submission\t%+.1f%% (goal <= 10%%)\n",
              100.0 * (with - without) / without);
  std::error_code ignored;
  std::filesystem::remove_all(directory, ignored);
  return 0;
}
