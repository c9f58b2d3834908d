// Whole-process time of one insert run (append mode, no index, no mail)
// against the floor of starting a process at all: a trivial C program that
// writes the same header (bench/trivial_start.c). Two more rows tell where
// insert's time above the floor goes: a trivial C++ program (dynamic
// libstdc++, compiled here) and insert without the counter rewrite. Last,
// each insert against the floor in 30 pairs run back to back: the median of
// the pairs' ratios, which a machine's drift during the run hardly moves.
//
//   insert_bench [runs [program...]]
// runs each 300 times (or `runs`), interleaved; further insert programs (a
// build linked another way, say) are measured beside the built one.
#include <unistd.h>

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

// Compiles a one-file program; false when the compiler is missing or fails.
bool compile(const char* compiler, const std::string& source, const std::string& program) {
  std::string command = std::string(compiler) + " -O2 -o " + program + " " + source + " 2>&1";
  return std::system(command.c_str()) == 0;
}

struct Variant {
  const char* label;
  std::string program;
  std::string home;  // the home the run's KALDERHOME names
  std::vector<double> milliseconds;
  long peakKiB = 0;
};

// A home with one group "shop" whose form "order" appends to orders.dat.
void makeHome(const std::string& home, const std::string& groupOptions) {
  std::filesystem::create_directories(home);
  writeText(home + "kalder.ini", "[GROUPS]\nshop=" + home + "shop.grp\n");
  writeText(home + "shop.grp",
            groupOptions + "index=none\nform=order\ncatalog=orders order\nlabel=Q-\n");
  writeText(home + "order.msg",
            "<html><body>Stored <var &label>, thank you <var name>.</body></html>\n");
}

std::map<std::string, std::string> environment(const std::string& home, long bodyLength) {
  return {{"REQUEST_METHOD", "POST"},
          {"QUERY_STRING", "formid=order"},
          {"CONTENT_LENGTH", std::to_string(bodyLength)},
          {"CONTENT_TYPE", "application/x-www-form-urlencoded"},
          {"PATH_INFO", "/shop"},
          {"SCRIPT_NAME", "/cgi-bin/insert.exe"},
          {"REMOTE_ADDR", "192.0.2.7"},
          {"KALDERHOME", home}};
}

// The median over `pairs` of insert's time divided by the floor's, each pair
// run back to back; 0 when a run fails.
double pairedRatio(const Variant& floor, const Variant& insert, const std::string& bodyPath,
                   long bodyLength, int pairs) {
  std::vector<double> ratios;
  for (int i = 0; i < pairs; ++i) {
    TimedRun base = timedRun(floor.program, environment(floor.home, bodyLength), bodyPath);
    TimedRun run = timedRun(insert.program, environment(insert.home, bodyLength), bodyPath);
    if (base.status != 0 || run.status != 0) return 0;
    ratios.push_back(run.seconds / base.seconds);
  }
  return median(ratios);
}

double percentile90(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() * 9 / 10];
}

}  // namespace

// Where each variant stands in the table below.
constexpr size_t kAppendFloor = 2;
constexpr size_t kInsert = 3;
constexpr size_t kUncounted = 4;

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::atoi(argv[1]) : 300;
  // The system lower-cases the paths it builds, so the home is lower case.
  std::string directory = "/tmp/kalder-bench-insert-" + std::to_string(getpid()) + "/";
  std::filesystem::create_directories(directory);
  writeText(directory + "floor.cc",
            "#include <cstdio>\n#include <string>\n"
            "int main() { std::string h = \"Content-type: text/html\\n\\n\";\n"
            "  std::fwrite(h.data(), 1, h.size(), stdout); return 0; }\n");
  if (!compile("c++", directory + "floor.cc", directory + "floorxx")) {
    std::fprintf(stderr, "insert_bench: cannot compile the C++ floor program\n");
    return 1;
  }
  makeHome(directory + "counted/", "vars=DT\n");
  makeHome(directory + "uncounted/", "vars=LDT\n");
  std::string body = "name=Ana+Novak&city=Ljubljana&email=ana%40example.org&note=Before+noon";
  writeText(directory + "body", body);
  std::string insert = std::string(KALDER_BIN_DIR) + "/insert";

  std::vector<Variant> variants = {
      {"C floor (header only)",
       std::string(KALDER_BIN_DIR) + "/trivial_start",
       directory + "counted/",
       {}},
      {"C++ floor (libstdc++)", directory + "floorxx", directory + "counted/", {}},
      {"C floor, append + fdatasync",
       std::string(KALDER_BIN_DIR) + "/trivial_append",
       directory + "counted/",
       {}},
      {"insert", insert, directory + "counted/", {}},
      {"insert, counter not saved", insert, directory + "uncounted/", {}},
  };
  for (int i = 2; i < argc; ++i) variants.push_back({argv[i], argv[i], directory + "counted/", {}});
  for (int i = 0; i < runs; ++i) {
    for (Variant& v : variants) {
      TimedRun run = timedRun(v.program, environment(v.home, static_cast<long>(body.size())),
                              directory + "body");
      if (run.status != 0) {
        std::fprintf(stderr, "insert_bench: %s exited with %d\n", v.label, run.status);
        return 1;
      }
      v.milliseconds.push_back(run.seconds * 1000);
      v.peakKiB = std::max(v.peakKiB, run.peakKiB);
    }
  }

  std::printf("insert whole-process time: append mode, no index, no mail; %d runs each\n", runs);
  for (const Variant& v : variants)
    std::printf("  %-28s median %6.3f ms   90%% %6.3f ms   peak %5.1f MiB\n", v.label,
                median(v.milliseconds), percentile90(v.milliseconds), v.peakKiB / 1024.0);
  double floor = median(variants[0].milliseconds);
  double insertTime = median(variants[kInsert].milliseconds);
  double ratio = insertTime / floor;
  std::printf("  insert / C floor: %.2f (goal <= 1.5)\n", ratio);
  std::printf("figure\tinsert process (append, no index)\tmedian\t%.3f ms\n", insertTime);
  std::printf("figure\tprocess floor (trivial C program)\tmedian\t%.3f ms\n", floor);
  std::printf("figure\tinsert / floor\tratio\t%.2f (goal <= 1.5)\n", ratio);
  std::printf("figure\ttrivial C++ program (libstdc++)\tmedian\t%.3f ms\n",
              median(variants[1].milliseconds));
  std::printf("figure\ttrivial C program, append + fdatasync\tmedian\t%.3f ms\n",
              median(variants[kAppendFloor].milliseconds));
  std::printf("figure\tinsert without the counter rewrite\tmedian\t%.3f ms\n",
              median(variants[kUncounted].milliseconds));
  for (size_t i = kInsert; i < variants.size(); ++i) {
    if (i == kUncounted) continue;  // the counter variant is no request of a site
    for (size_t floorAt : {size_t{0}, kAppendFloor}) {
      double paired = pairedRatio(variants[floorAt], variants[i], directory + "body",
                                  static_cast<long>(body.size()), 30);
      std::printf("figure\t%s / %s (median of 30 pairs)\tratio\t%.2f\n", variants[i].label,
                  floorAt == 0 ? "trivial C start" : "trivial C append + fdatasync", paired);
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(directory, ignored);
  return 0;
}
