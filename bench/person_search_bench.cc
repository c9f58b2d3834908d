// One person's data at scale: builds a group of 100,000 item-form records
// (a catalog of 60,000 and two series periods of 20,000, plus a quarantine
// of 100) in which one person has five records, then runs the built show as
// a web server would and prints the median whole-process time of the search
// page, of the search in one named field and of the ZIP download. The
// person's uploads are a few bytes each, so the figures are the reading of
// the group, not the copying of files. The erasure of the five records is
// timed once at the end.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/timed_run.h"

namespace {

constexpr char kPerson[] = "ana@example.org";

void writeText(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// Records `first` to `last`; every 20,000th is the person's, with a file.
long writeCatalog(const std::string& path, const std::string& prefix, long first, long last) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  for (long i = first; i <= last; ++i) {
    bool hers = i % 20000 == 0;
    std::fprintf(f,
                 "&LABEL==%s%ld\n&FORMID==order\n&COMPUTER==192.0.2.7\n&DATE==20240115\n"
                 "&TIME==1405\nname==Person %ld\ncity==Ko&ccaron;evje\nemail==%s\n"
                 "note=+LABEL\nPlease deliver before noon.\nThe door code is %ld.\nLABEL\n",
                 prefix.c_str(), i, i, hers ? "Ana@Example.org" : "someone@example.org", i % 997);
    if (hers) std::fprintf(f, "cv==cv.pdf (f1.bin, 4 bytes)\n");
    std::fprintf(f, "\n");
  }
  long size = std::ftell(f);
  std::fclose(f);
  return size;
}

void writeUpload(const std::string& catalogFolder, const std::string& label) {
  std::string folder = catalogFolder + "/" + label + "/";
  std::filesystem::create_directories(folder);
  writeText(folder + "f1.bin", "%PDF");
}

void writeQuarantine(const std::string& path) {
  std::string text;
  for (int i = 1; i <= 100; ++i)
    text += "&LABEL==ORD-Q" + std::to_string(i) +
            "\n&FORMID==order\n&COMPUTER==192.0.2.9\n&DATE==20240115\n&TIME==1000\n"
            "&REFLABEL==\n&CATALOG==orders\n&QUARANTINE==honeypot\nemail==bot" +
            std::to_string(i) + "@example.org\n\n";
  writeText(path, text);
}

TimedRun runShow(const std::string& home, const std::string& body, const std::string& output) {
  std::string input = output + ".in";
  writeText(input, body);
  std::vector<std::string> env = {"REQUEST_METHOD=POST",
                                  "QUERY_STRING=",
                                  "CONTENT_LENGTH=" + std::to_string(body.size()),
                                  "PATH_INFO=/shop",
                                  "SCRIPT_NAME=/cgi-bin/show.exe",
                                  "KALDERHOME=" + home};
  return runTimed(std::string(KALDER_BIN_DIR) + "/show", env, input, output);
}

// The median of `repeats` runs after one that warms the caches.
double median(const std::string& home, const std::string& body, int repeats, long& bytes) {
  std::string output = home + "answer.out";
  runShow(home, body, output);
  std::vector<double> times;
  for (int i = 0; i < repeats; ++i) times.push_back(runShow(home, body, output).milliseconds);
  std::sort(times.begin(), times.end());
  std::error_code ignored;
  bytes = static_cast<long>(std::filesystem::file_size(output, ignored));
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int repeats = argc > 1 ? std::atoi(argv[1]) : 7;
  // The system lower-cases the paths it builds, so the home is lower case.
  std::string directory = "/tmp/kalder-person-bench-" + std::to_string(getpid());
  std::string home = directory + "/";
  std::filesystem::create_directories(directory);
  writeText(home + "kalder.ini",
            "[GENERAL]\npassword=Secret\n\n[GROUPS]\nshop=" + home + "shop.grp\n");
  writeText(home + "shop.grp",
            "catalog=orders order - Orders\ncatalog=visits* order log[YYYY][MM].dat Visits\n"
            "label=ORD-\n");
  long bytes = writeCatalog(home + "orders.dat", "ORD-", 1, 60000);
  bytes += writeCatalog(home + "log202401.dat", "ORD-", 60001, 80000);
  bytes += writeCatalog(home + "log202402.dat", "ORD-", 80001, 100000);
  for (long i = 20000; i <= 60000; i += 20000)
    writeUpload(home + "orders.files", "ord-" + std::to_string(i));
  writeUpload(home + "log202401.files", "ord-80000");
  writeUpload(home + "log202402.files", "ord-100000");
  writeQuarantine(home + "shop.grp.quarantine");
  std::printf("100,000 records in 3 files, %.1f MB; the person has 5 records\n",
              static_cast<double>(bytes) / 1e6);

  std::string query = std::string("password=Secret&person=") + kPerson;
  long pageBytes = 0, fieldBytes = 0, zipBytes = 0;
  double page = median(home, query, repeats, pageBytes);
  double field = median(home, query + "&field=email", repeats, fieldBytes);
  double zip = median(home, query + "&format=zip", repeats, zipBytes);
  std::string labels = "ORD-20000 ORD-40000 ORD-60000 ORD-80000 ORD-100000";
  TimedRun erase = runShow(home, query + "&eraseperson=2&labels=" + labels, home + "erase.out");
  std::error_code ignored;
  double left = static_cast<double>(std::filesystem::file_size(home + "orders.dat", ignored)) / 1e6;

  std::printf(
      "figure\tperson search, 100,000 records (%ld-byte page)\tmedian\t%.1f ms (goal < 2000)\n",
      pageBytes, page);
  std::printf("figure\tperson search in one field, 100,000 records\tmedian\t%.1f ms\n", field);
  std::printf("figure\tperson ZIP, 100,000 records (%ld bytes)\tmedian\t%.1f ms (goal < 2000)\n",
              zipBytes, zip);
  std::printf(
      "figure\tperson erasure of 5 records, 100,000 records\tone run\t%.1f ms (exit %d, "
      "orders.dat %.1f MB after)\n",
      erase.milliseconds, erase.status, left);
  std::filesystem::remove_all(directory, ignored);
  return 0;
}
