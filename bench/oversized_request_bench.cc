// Requests at and over the decoding limits, sent to the insert program as a
// web server sends them: time per request and the child's peak memory,
// beside the size of the body. A refused request must cost little whatever
// it holds; an accepted one at most a few times its body in memory.
//
//   oversized_request_bench [requests]      (default 5 per body)
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/timed_run.h"

namespace {

void writeText(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// Writes pieces to `out` until `bytes` are written (the last one cut);
// `piece(i)` gives piece i. Returns the number of bytes written.
template <typename Piece>
long writeUpTo(std::FILE* out, long pieces, long bytes, Piece piece) {
  long written = 0;
  for (long i = 0; i < pieces && written < bytes; ++i) {
    std::string text = piece(i);
    size_t n = std::min(text.size(), static_cast<size_t>(bytes - written));
    written += static_cast<long>(std::fwrite(text.data(), 1, n, out));
  }
  return written;
}

std::string shortField(long i) {
  return std::string("f").append(std::to_string(i % 1000)).append("=1&");
}
std::string longValue(long i) {
  return std::string("v").append(std::to_string(i)).append("=").append(1000000, 'x').append("&");
}

// Bodies go straight to their file: a child's peak memory counts the pages
// it shares with this process after the fork, so this process stays small.
struct Body {
  const char* what;
  long (*write)(std::FILE* out);
};

long hugeManyFields(std::FILE* out) { return writeUpTo(out, LONG_MAX, 16 << 20, shortField); }
long hugeLongValues(std::FILE* out) { return writeUpTo(out, LONG_MAX, 16 << 20, longValue); }
long mostFields(std::FILE* out) { return writeUpTo(out, 10000, LONG_MAX, shortField); }
long oneField(std::FILE* out) { return static_cast<long>(std::fwrite("name=Ana", 1, 8, out)); }

}  // namespace

int main(int argc, char** argv) {
  int requests = argc > 1 ? std::atoi(argv[1]) : 5;
  std::string home = "/tmp/kalder-bench-oversized-" + std::to_string(getpid()) + "/";
  std::filesystem::create_directories(home);
  writeText(home + "kalder.ini", "[GROUPS]\nshop=" + home + "shop.grp\n");
  writeText(home + "shop.grp", "index=none\nform=order\ncatalog=orders order\nlabel=Q-\n");
  writeText(home + "order.msg", "Stored <var &label>.\n");
  const Body bodies[] = {
      {"16 MiB of 1.5 million fields (refused)", hugeManyFields},
      {"16 MiB of 1 MB values (stored)", hugeLongValues},
      {"10,000 fields (stored)", mostFields},
      {"one field (stored)", oneField},
  };
  std::printf("requests to insert, %d per body (median time, largest peak memory)\n", requests);
  std::vector<std::string> figureLines;
  for (const Body& body : bodies) {
    std::FILE* file = std::fopen((home + "body").c_str(), "w");
    long bodySize = body.write(file);
    std::fclose(file);
    std::vector<double> milliseconds;
    long peakKiB = 0;
    for (int i = 0; i < requests; ++i) {
      std::filesystem::remove(home + "orders.dat");
      TimedRun run = timedRun(std::string(KALDER_BIN_DIR) + "/insert",
                              {{"REQUEST_METHOD", "POST"},
                               {"QUERY_STRING", "formid=order"},
                               {"CONTENT_LENGTH", std::to_string(bodySize)},
                               {"PATH_INFO", "/shop"},
                               {"SCRIPT_NAME", "/cgi-bin/insert.exe"},
                               {"KALDERHOME", home}},
                              home + "body");
      milliseconds.push_back(run.seconds * 1000);
      peakKiB = std::max(peakKiB, run.peakKiB);
    }
    double bodyMiB = static_cast<double>(bodySize) / (1 << 20);
    std::printf("  %-40s body %6.2f MiB   %8.2f ms   peak %6.1f MiB\n", body.what, bodyMiB,
                median(milliseconds), peakKiB / 1024.0);
    char line[200];
    std::snprintf(line, sizeof line,
                  "figure\trequest of %s, body %.2f MiB\tper request\t%.2f ms, peak %.1f MiB",
                  body.what, bodyMiB, median(milliseconds), peakKiB / 1024.0);
    figureLines.push_back(line);
  }
  for (const std::string& line : figureLines) std::printf("%s\n", line.c_str());
  std::error_code ignored;
  std::filesystem::remove_all(home, ignored);
  return 0;
}
