// Record viewer speed: builds an item-form catalog of 100,000 records with
// its index (by the built lunoder), then runs the built show as a web server
// would and prints the median whole-process time of each kind of page.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/timed_run.h"

namespace {

struct Run {
  double milliseconds = 0;
  int status = -1;
  long bytes = 0;
};

void writeText(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

long writeCatalog(const std::string& path, long records) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  for (long i = 1; i <= records; ++i)
    std::fprintf(f,
                 "&LABEL==ORD-%ld\n&FORMID==order\n&COMPUTER==192.0.2.7\n&DATE==19990315\n"
                 "&TIME==1405\nname==Ana Novak\ncity==Ko&ccaron;evje\nemail==ana@example.org\n"
                 "note=+LABEL\nPlease deliver before noon.\nThe door code is %ld.\nLABEL\n\n",
                 i, i % 10000);
  long size = std::ftell(f);
  std::fclose(f);
  return size;
}

// Runs a program with a CGI environment and `body` on its standard input;
// the page goes to `output`.
Run runProgram(const std::string& name, const std::string& home, const std::string& query,
               const std::string& body, const std::string& output) {
  std::string program = std::string(KALDER_BIN_DIR) + "/" + name;
  std::string input = output + ".in";
  writeText(input, body);
  std::vector<std::string> env = {"REQUEST_METHOD=POST",
                                  "QUERY_STRING=" + query,
                                  "CONTENT_LENGTH=" + std::to_string(body.size()),
                                  "PATH_INFO=/shop",
                                  "SCRIPT_NAME=/cgi-bin/" + name + ".exe",
                                  "KALDERHOME=" + home};
  TimedRun timed = runTimed(program, env, input, output);
  Run run;
  run.milliseconds = timed.milliseconds;
  run.status = timed.status;
  std::error_code ignored;
  run.bytes = static_cast<long>(std::filesystem::file_size(output, ignored));
  return run;
}

void measure(const std::string& what, const std::string& home, const std::string& query,
             int repeats, const std::string& body = "password=Secret") {
  std::vector<double> times;
  Run run = runProgram("show", home, query, body, home + "page.out");  // warms the caches
  for (int i = 0; i < repeats; ++i) {
    run = runProgram("show", home, query, body, home + "page.out");
    times.push_back(run.milliseconds);
  }
  std::sort(times.begin(), times.end());
  std::printf("  %-44s median %7.2f ms (min %7.2f, max %7.2f), exit %d, %ld bytes\n", what.c_str(),
              times[times.size() / 2], times.front(), times.back(), run.status, run.bytes);
}

}  // namespace

int main(int argc, char** argv) {
  long records = argc > 1 ? std::atol(argv[1]) : 100000;
  int repeats = argc > 2 ? std::atoi(argv[2]) : 15;
  // The system lower-cases the paths it builds, so the home is lower case.
  std::string directory = "/tmp/kalder-show-bench-" + std::to_string(getpid());
  std::filesystem::create_directories(directory);
  std::string home = directory + "/";
  writeText(home + "kalder.ini",
            "[GENERAL]\npassword=Secret\n\n[GROUPS]\nshop=" + home + "shop.grp\n");
  writeText(home + "shop.grp", "catalog=orders order - Orders\nform=order\nlabel=ORD-\n");
  long bytes = writeCatalog(home + "orders.dat", records);
  Run index = runProgram("lunoder", home, "", "password=Secret", home + "lunoder.out");
  std::error_code ignored;
  std::printf("%ld records, catalog %.1f MB, index %.1f MB (lunoder exit %d)\n", records,
              static_cast<double>(bytes) / 1e6,
              static_cast<double>(std::filesystem::file_size(home + "orders.idx", ignored)) / 1e6,
              index.status);
  std::printf("Whole-process time of show, %d runs each:\n", repeats);
  std::string last = std::to_string(records), middle = std::to_string(records / 2);
  // No password at all: a wrong one would count as a failed login, and the
  // throttle would refuse every later run.
  measure("login page (no work, for comparison)", home, "catalog=orders", repeats, "");
  measure("list, page 1, through the index", home, "catalog=orders", repeats);
  measure("list, last page, through the index", home, "catalog=orders&page=999999", repeats);
  measure("record ORD-1, through the index", home, "label=ORD-1&catalog=orders", repeats);
  measure("record ORD-" + middle + ", through the index", home,
          "label=ORD-" + middle + "&catalog=orders", repeats);
  measure("record ORD-" + last + " (last), through the index", home,
          "label=ORD-" + last + "&catalog=orders", repeats);
  measure("group page (record counts)", home, "", repeats);
  measure("CSV export of the whole catalog", home, "catalog=orders&format=csv", 3);
  std::filesystem::remove(home + "orders.idx", ignored);
  measure("list, page 1, without index (file read)", home, "catalog=orders", 3);
  measure("record ORD-" + last + ", without index", home, "label=ORD-" + last + "&catalog=orders",
          3);
  std::filesystem::remove_all(directory, ignored);
  return 0;
}
