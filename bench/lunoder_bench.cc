// Index rebuild speed and memory: generates an item-form catalog of many
// records in a temporary home, runs the built lunoder on it as a web server
// would, and prints the catalog throughput and the child's peak memory.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/catalog/record_layout.h"

namespace {

struct Run {
  double seconds = 0;
  long peakKiB = 0;
  int status = -1;
};

void writeText(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// Writes `records` item-form records; returns the catalog's size in bytes.
long writeCatalog(const std::string& path, long records) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  std::vector<char> buffer(1 << 20);
  std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
  for (long i = 1; i <= records; ++i) {
    std::fprintf(f,
                 "&LABEL==ORD-%ld\n&FORMID==order\n&COMPUTER==192.0.2.7\n&DATE==19990315\n"
                 "&TIME==1405\n",
                 i);
    if (i % 10 == 0) std::fprintf(f, "&REFLABEL==ORD-%ld\n", i - 1);
    std::fprintf(f,
                 "name==Ana Novak\ncity==Ljubljana\nemail==ana.novak@example.org\n"
                 "note=+LABEL\nPlease deliver before noon.\nThe door code is %ld.\nLABEL\n\n",
                 i % 10000);
  }
  long size = std::ftell(f);
  std::fclose(f);
  return size;
}

// A rebuild as the group page's button asks for it: the password posted.
Run runLunoder(const std::string& home) {
  std::string program = std::string(KALDER_BIN_DIR) + "/lunoder";
  const std::string body = "password=p", input = home + "request.in";
  writeText(input, body);
  std::vector<std::string> env = {"REQUEST_METHOD=POST",
                                  "QUERY_STRING=",
                                  "CONTENT_LENGTH=" + std::to_string(body.size()),
                                  "PATH_INFO=/shop",
                                  "SCRIPT_NAME=/cgi-bin/lunoder.exe",
                                  "KALDERHOME=" + home};
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::fflush(stdout);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (!std::freopen("/dev/null", "w", stdout)) _exit(126);
    if (!std::freopen(input.c_str(), "r", stdin)) _exit(126);
    char* argv[] = {program.data(), nullptr};
    execve(program.c_str(), argv, envp.data());
    _exit(127);
  }
  Run run;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakKiB = usage.ru_maxrss;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// Records read into a parameter list, record by record, as the sorted merge
// of a submission once read a catalog.
void measureReadRecord(const std::string& home, double mb) {
  RecordLayout layout("", AutomaticFields());  // the item form of the generated catalog
  std::FILE* catalog = std::fopen((home + "orders.dat").c_str(), "r");
  FileLines lines(catalog);
  ParamList fields;
  ParamListSink sink(fields);
  Text text;
  long count = 0;
  auto start = std::chrono::steady_clock::now();
  for (fields.clear(); layout.read(lines, sink, &text) == RecordRead::Record; fields.clear())
    ++count;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("  readRecord in-process: %ld records, %.3f s, %.1f MB/s\n", count, seconds,
              mb / seconds);
  std::fclose(catalog);
}

void measure(long records, int repeats) {
  // The system lower-cases the paths it builds, so the home is lower case.
  std::string directory = "/tmp/kalder-bench-" + std::to_string(getpid());
  std::filesystem::create_directories(directory);
  std::string home = directory + "/";
  writeText(home + "kalder.ini", "[GENERAL]\npassword=p\n[GROUPS]\nshop=" + home + "shop.grp\n");
  writeText(home + "shop.grp", "catalog=orders\nform=order\n");
  long bytes = writeCatalog(home + "orders.dat", records);
  double mb = static_cast<double>(bytes) / 1e6;
  std::printf("%ld records, catalog %.1f MB\n", records, mb);
  for (int i = 0; i < repeats; ++i) {
    Run run = runLunoder(home);
    std::printf("  run %d: exit %d, %.3f s, %.1f MB/s, peak resident %.1f MiB\n", i + 1, run.status,
                run.seconds, mb / run.seconds, run.peakKiB / 1024.0);
  }
  // A group with sorted insertion: the entries are put in the order that
  // storing the records one by one gives, so they are held until the end.
  writeText(home + "shop.grp", "insert=sort note\ncatalog=orders\nform=order\n");
  for (int i = 0; i < repeats; ++i) {
    Run run = runLunoder(home);
    std::printf("  sorted run %d: exit %d, %.3f s, %.1f MB/s, peak resident %.1f MiB\n", i + 1,
                run.status, run.seconds, mb / run.seconds, run.peakKiB / 1024.0);
  }
  writeText(home + "shop.grp", "catalog=orders\nform=order\n");
  measureReadRecord(home, mb);
  std::error_code ignored;
  std::printf("  index %.1f MB\n",
              static_cast<double>(std::filesystem::file_size(home + "orders.idx", ignored)) / 1e6);
  std::filesystem::remove_all(directory, ignored);
}

}  // namespace

int main(int argc, char** argv) {
  long records = argc > 1 ? std::atol(argv[1]) : 1000000;
  measure(records / 10, 2);
  measure(records, 3);
  return 0;
}
