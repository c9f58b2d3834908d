// Sorted insertion into large catalogs, 10,000 and 100,000 records, with and
// without a private index: time per request and the child's peak memory.
// Without an index the catalog is rewritten through its temporary file, so
// the time to copy the catalog once (written and flushed to disk, as the
// rewrite is) is printed beside it; with one the record is appended and the
// place of its entry is searched in the index. Memory must stay flat however
// large the catalog, and one huge old record must not slow later requests.
//
//   sorted_insert_bench [requests]      (default 15 per catalog)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
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
  double copyMs = 0;  // copying the catalog once, flushed to disk
};

// Milliseconds to copy `from` to `to` in 64 KiB pieces and flush the copy
// to disk: what any rewrite of the file must do at the least.
double copyMilliseconds(const std::string& from, const std::string& to) {
  auto start = std::chrono::steady_clock::now();
  int in = open(from.c_str(), O_RDONLY);
  int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  char buffer[65536];
  ssize_t got;
  while ((got = read(in, buffer, sizeof buffer)) > 0)
    if (write(out, buffer, static_cast<size_t>(got)) != got) break;
  fsync(out);
  close(in);
  close(out);
  double ms =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() * 1000;
  std::filesystem::remove(to);
  return ms;
}

// An old record holding one value of `bytes` bytes, as older versions stored
// any posted value, followed by ordinary records.
void writeHugeRecordCatalog(const std::string& home, long bytes) {
  std::FILE* catalog = std::fopen((home + "orders.dat").c_str(), "w");
  std::fprintf(catalog, "&LABEL==Q-0\n&FORMID==order\nname==k0000000\nnote==");
  std::string chunk(1 << 20, 'x');
  for (long left = bytes; left > 0; left -= static_cast<long>(chunk.size()))
    std::fwrite(chunk.data(), 1, std::min<size_t>(chunk.size(), static_cast<size_t>(left)),
                catalog);
  std::fprintf(catalog, "\n\n");
  for (long i = 1; i < 1000; ++i)
    std::fprintf(catalog, "&LABEL==Q-%ld\n&FORMID==order\nname==k%07ld\n\n", i, i * 10);
  std::fclose(catalog);
}

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
  if (records < 0) {
    writeHugeRecordCatalog(home, 16L << 20);
    records = 1000;
  } else {
    writeCatalog(home, records, withIndex);
  }
  Figures figures;
  figures.catalogMb = static_cast<double>(std::filesystem::file_size(home + "orders.dat")) / 1e6;
  std::vector<double> copies;
  for (int i = 0; i < 5; ++i)
    copies.push_back(copyMilliseconds(home + "orders.dat", home + "copy.dat"));
  figures.copyMs = median(copies);

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
  // -1 stands for a catalog whose first record holds a value of 16 MiB.
  for (bool withIndex : {false, true}) {
    for (long records : {10000L, 100000L, -1L}) {
      if (records < 0 && withIndex) continue;
      Figures f = measure(directory, records, withIndex, requests);
      const char* how = withIndex ? "with index" : "without index";
      std::string what =
          records < 0 ? std::string("1 huge record + 999") : std::to_string(records) + " records";
      std::printf(
          "  %-20s (%5.1f MB) %-14s %8.2f ms per request   peak %5.1f MiB"
          "   copying the catalog %7.2f ms\n",
          what.c_str(), f.catalogMb, how, f.medianMs, f.peakKiB / 1024.0, f.copyMs);
      char line[300];
      std::snprintf(line, sizeof line,
                    "figure\tsorted insert, %s, %s\tper request\t%.2f ms, peak %.1f MiB "
                    "(copying the catalog: %.2f ms)",
                    what.c_str(), how, f.medianMs, f.peakKiB / 1024.0, f.copyMs);
      figureLines.push_back(line);
    }
  }
  for (const std::string& line : figureLines) std::printf("%s\n", line.c_str());
  std::error_code ignored;
  std::filesystem::remove_all(directory, ignored);
  return 0;
}
