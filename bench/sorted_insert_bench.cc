// Sorted insertion into large catalogs, 10,000 and 100,000 records, with and
// without a private index: time per request and the child's peak memory.
// Without an index the catalog is rewritten through its temporary file; with
// one the record is appended and the index is merged, reading each record it
// passes. Memory must stay flat however large the catalog.
//
//   sorted_insert_bench [requests]      (default 15 per catalog)
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/timed_run.h"

namespace {

void writeText(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// Records with sort keys k0000000, k0000010, ... in order, and their index.
void writeCatalog(const std::string& home, long records, bool withIndex) {
  std::FILE* catalog = std::fopen((home + "orders.dat").c_str(), "w");
  std::FILE* index = withIndex ? std::fopen((home + "orders.idx").c_str(), "w") : nullptr;
  for (long i = 0; i < records; ++i) {
    if (index) std::fprintf(index, "Q-%ld order %ld\n", i + 1, std::ftell(catalog));
    std::fprintf(catalog,
                 "&LABEL==Q-%ld\n&FORMID==order\n&COMPUTER==192.0.2.7\n&DATE==19990315\n"
                 "&TIME==1405\nname==k%07ld\ncity==Ljubljana\nemail==ana.novak@example.org\n"
                 "note=+LABEL\nPlease deliver before noon.\nThe door code is %ld.\nLABEL\n\n",
                 i + 1, i * 10, i % 10000);
  }
  std::fclose(catalog);
  if (index) std::fclose(index);
}

struct Figures {
  double medianMs = 0;
  long peakKiB = 0;
  double catalogMb = 0;
};

Figures measure(const std::string& directory, long records, bool withIndex, int requests) {
  std::string home =
      directory + (withIndex ? "indexed-" : "plain-") + std::to_string(records) + "/";
  std::filesystem::create_directories(home);
  writeText(home + "kalder.ini", "[GROUPS]\nshop=" + home + "shop.grp\n");
  writeText(home + "shop.grp", std::string(withIndex ? "" : "index=none\n") +
                                   "insert=sort name\nform=order\ncatalog=orders order\nlabel=Q-\n"
                                   "count=" +
                                   std::to_string(records) + "\n");
  writeText(home + "order.msg", "Stored <var &label>.\n");
  writeCatalog(home, records, withIndex);
  Figures figures;
  figures.catalogMb = static_cast<double>(std::filesystem::file_size(home + "orders.dat")) / 1e6;

  std::mt19937 random(static_cast<unsigned>(records));
  std::vector<double> milliseconds;
  for (int i = 0; i < requests; ++i) {
    // A key between two old ones, anywhere in the catalog.
    char key[32];
    std::snprintf(key, sizeof key, "k%07ld", static_cast<long>(random() % records) * 10 + 5);
    std::string body = std::string("name=") + key + "&city=Maribor&note=Ring+twice";
    writeText(home + "body", body);
    TimedRun run = timedRun(std::string(KALDER_BIN_DIR) + "/insert",
                            {{"REQUEST_METHOD", "POST"},
                             {"QUERY_STRING", "formid=order"},
                             {"CONTENT_LENGTH", std::to_string(body.size())},
                             {"PATH_INFO", "/shop"},
                             {"SCRIPT_NAME", "/cgi-bin/insert.exe"},
                             {"REMOTE_ADDR", "192.0.2.7"},
                             {"KALDERHOME", home}},
                            home + "body");
    if (run.status != 0) {
      std::fprintf(stderr, "sorted_insert_bench: insert exited with %d\n", run.status);
      std::exit(1);
    }
    milliseconds.push_back(run.seconds * 1000);
    figures.peakKiB = std::max(figures.peakKiB, run.peakKiB);
  }
  figures.medianMs = median(milliseconds);
  std::error_code ignored;
  std::filesystem::remove_all(home, ignored);
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  int requests = argc > 1 ? std::atoi(argv[1]) : 15;
  // The system lower-cases the paths it builds, so the home is lower case.
  std::string directory = "/tmp/kalder-bench-sorted-" + std::to_string(getpid()) + "/";
  std::printf("sorted insertion, %d requests per catalog (median time, largest peak memory)\n",
              requests);
  std::vector<std::string> figureLines;
  for (bool withIndex : {false, true}) {
    for (long records : {10000L, 100000L}) {
      Figures f = measure(directory, records, withIndex, requests);
      const char* how = withIndex ? "with index" : "without index";
      std::printf("  %6ld records (%5.1f MB) %-14s %8.2f ms per request   peak %5.1f MiB\n",
                  records, f.catalogMb, how, f.medianMs, f.peakKiB / 1024.0);
      char line[200];
      std::snprintf(line, sizeof line,
                    "figure\tsorted insert, %ldk records, %s\tper request\t%.2f ms, peak %.1f MiB",
                    records / 1000, how, f.medianMs, f.peakKiB / 1024.0);
      figureLines.push_back(line);
    }
  }
  for (const std::string& line : figureLines) std::printf("%s\n", line.c_str());
  std::error_code ignored;
  std::filesystem::remove_all(directory, ignored);
  return 0;
}
