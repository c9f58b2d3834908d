// Requests at and over the decoding limits, sent to the insert program as a
// web server sends them: time per request and the child's peak memory,
// beside the size of the body. A refused request must cost little whatever
// it holds; an accepted one at most a few times its body in memory.
//
//   oversized_request_bench [requests]      (default 5 per body)
#include <unistd.h>

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

// Short fields "f0=1&f1=1&...": `count` of them, or as many as fill `bytes`.
std::string manyFields(long count, size_t bytes = SIZE_MAX) {
  std::string body;
  for (long i = 0; i < count && body.size() < bytes; ++i)
    body += "f" + std::to_string(i % 1000) + "=1&";
  if (body.size() > bytes) body.resize(bytes);
  return body;
}

// Values of just under the longest accepted value, up to about `bytes`.
std::string longValues(size_t bytes) {
  std::string body;
  for (int i = 0; body.size() < bytes; ++i)
    body += "v" + std::to_string(i) + "=" + std::string(1000000, 'x') + "&";
  body.resize(bytes);
  return body;
}

struct Body {
  const char* what;
  std::string text;
};

}  // namespace

int main(int argc, char** argv) {
  int requests = argc > 1 ? std::atoi(argv[1]) : 5;
  std::string home = "/tmp/kalder-bench-oversized-" + std::to_string(getpid()) + "/";
  std::filesystem::create_directories(home);
  writeText(home + "kalder.ini", "[GROUPS]\nshop=" + home + "shop.grp\n");
  writeText(home + "shop.grp", "index=none\nform=order\ncatalog=orders order\nlabel=Q-\n");
  writeText(home + "order.msg", "Stored <var &label>.\n");
  const Body bodies[] = {
      {"16 MiB of 1.5 million fields (refused)", manyFields(LONG_MAX, 16 << 20)},
      {"16 MiB of 1 MB values (stored)", longValues(16 << 20)},
      {"10,000 fields (stored)", manyFields(10000)},
      {"one field (stored)", "name=Ana"},
  };
  std::printf("requests to insert, %d per body (median time, largest peak memory)\n", requests);
  std::vector<std::string> figureLines;
  for (const Body& body : bodies) {
    writeText(home + "body", body.text);
    std::vector<double> milliseconds;
    long peakKiB = 0;
    for (int i = 0; i < requests; ++i) {
      std::filesystem::remove(home + "orders.dat");
      TimedRun run = timedRun(std::string(KALDER_BIN_DIR) + "/insert",
                              {{"REQUEST_METHOD", "POST"},
                               {"QUERY_STRING", "formid=order"},
                               {"CONTENT_LENGTH", std::to_string(body.text.size())},
                               {"PATH_INFO", "/shop"},
                               {"SCRIPT_NAME", "/cgi-bin/insert.exe"},
                               {"KALDERHOME", home}},
                              home + "body");
      milliseconds.push_back(run.seconds * 1000);
      peakKiB = std::max(peakKiB, run.peakKiB);
    }
    double bodyMiB = static_cast<double>(body.text.size()) / (1 << 20);
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
