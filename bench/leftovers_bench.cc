// Work per request against what visitors left behind: runs the built insert
// and show as a web server would, beside a large quarantine, a large outbox,
// many stored uploads and a catalog of many field names, and prints the
// median whole-process time of each request. Another build's programs may
// be measured by naming their folder: leftovers_bench [BIN_DIR].
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/timed_run.h"

namespace {

namespace fs = std::filesystem;

std::string binDir = KALDER_BIN_DIR;

void writeText(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::FILE* f = std::fopen(path.c_str(), "w");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// Milliseconds of one run of `name` with `body` posted and `type` as its
// content type; the answer goes to the home's "page.out".
double runProgram(const std::string& name, const std::string& home, const std::string& query,
                  const std::string& body, const std::string& type = "") {
  std::string program = binDir + "/" + name;
  std::string input = home + "page.in", output = home + "page.out";
  writeText(input, body);
  std::vector<std::string> env = {"REQUEST_METHOD=POST",
                                  "QUERY_STRING=" + query,
                                  "CONTENT_LENGTH=" + std::to_string(body.size()),
                                  "PATH_INFO=/shop",
                                  "REMOTE_ADDR=192.0.2.7",
                                  "SCRIPT_NAME=/cgi-bin/" + name + ".exe",
                                  "KALDERHOME=" + home};
  if (!type.empty()) env.push_back("CONTENT_TYPE=" + type);
  return runTimed(program, env, input, output).milliseconds;
}

template <typename Request>
void report(const char* what, Request request, int rounds = 3) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) times.push_back(request());
  std::sort(times.begin(), times.end());
  std::printf("%-58s %10.1f ms\n", what, times[times.size() / 2]);
  std::fflush(stdout);
}

std::string makeHome(const std::string& options, const std::string& group) {
  std::string home =
      fs::temp_directory_path().string() + "/kalder-leftovers-" + std::to_string(getpid()) + "/";
  fs::remove_all(home);
  writeText(home + "kalder.ini",
            "[GENERAL]\npassword=Secret\n[GROUPS]\nshop=" + home + "shop.grp\n");
  writeText(home + "shop.grp", group);
  writeText(home + "shop.grp.options", options);
  writeText(home + "order.msg", "Stored.\n");
  return home;
}

const char kGroup[] = "form=order\ncatalog=orders order\nlabel=Q-\ncount=1\n";

void quarantine(long megabytes) {
  std::string home = makeHome("honeypot=website\nquarantineMaxSize=1G\n", kGroup);
  std::FILE* f = std::fopen((home + "shop.grp.quarantine").c_str(), "w");
  std::string text(1000, 'q');
  for (long i = 1; i <= megabytes * 1000; ++i)
    std::fprintf(f,
                 "&LABEL==Q-%ld\n&FORMID==order\n&COMPUTER==192.0.2.7\n&DATE==20991231\n"
                 "&TIME==1200\n&CATALOG==orders\n&QUARANTINE==honeypot field filled\n"
                 "text==%s\n\n",
                 i, text.c_str());
  std::fclose(f);
  char what[100];
  std::snprintf(what, sizeof what, "quarantined post beside a %ld MB quarantine", megabytes);
  report(what, [&] { return runProgram("insert", home, "formid=order", "website=x&t=spam"); });
  std::snprintf(what, sizeof what, "quarantine page of a %ld MB quarantine", megabytes);
  report(
      what, [&] { return runProgram("show", home, "quarantine=list", "password=Secret"); }, 1);
  fs::remove_all(home);
}

void outbox(long mails, long bodyBytes) {
  std::string home = makeHome("", kGroup);
  writeText(home + "orders.dat", "&LABEL==Q-1\n&FORMID==order\nname==Ana\n\n");
  std::string body(bodyBytes, 'b');
  for (long i = 0; i < mails; ++i)
    writeText(home + "outbox/m" + std::to_string(i) + ".mail",
              "message-id=<m" + std::to_string(i) +
                  "@x>\ngroup=shop\ncatalog=orders\nlabel=Q-9\ncreated=1\nnext=1\nattempts=1\n"
                  "sender=a@example.org\nrecipient=b@example.org\nsubject=s\n\n" +
                  body);
  char what[100];
  std::snprintf(what, sizeof what, "record page beside %ld waiting mails of %ld KB", mails,
                bodyBytes / 1000);
  report(what,
         [&] { return runProgram("show", home, "label=Q-1&catalog=orders", "password=Secret"); });
  fs::remove_all(home);
}

void csv(long records, long names) {
  std::string home = makeHome("", kGroup);
  std::string catalog;
  for (long r = 1; r <= records; ++r) {
    catalog += "&LABEL==Q-" + std::to_string(r) + "\n";
    for (long n = 0; n < names; ++n)
      catalog += "f" + std::to_string(r) + "_" + std::to_string(n) + "==v\n";
    catalog += "\n";
  }
  writeText(home + "orders.dat", catalog);
  char what[100];
  std::snprintf(what, sizeof what, "CSV export of %ld records of %ld names each", records, names);
  report(
      what,
      [&] { return runProgram("show", home, "catalog=orders&format=csv", "password=Secret"); }, 1);
  fs::remove_all(home);
}

void uploads(long storedFiles) {
  std::string home = makeHome("uploadEndings=*\n", kGroup);
  for (long i = 0; i < storedFiles; ++i)
    writeText(home + "orders.files/q-" + std::to_string(i + 100) + "/f1.bin", "stored");
  std::string body =
      "--XyZ\r\nContent-Disposition: form-data; name=\"cv\"; filename=\"cv.pdf\"\r\n\r\n%PDF\r\n"
      "--XyZ--\r\n";
  char what[100];
  std::snprintf(what, sizeof what, "upload post beside %ld stored files", storedFiles);
  report(what, [&] {
    return runProgram("insert", home, "formid=order", body, "multipart/form-data; boundary=XyZ");
  });
  fs::remove_all(home);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) binDir = argv[1];
  std::printf("programs of %s\n", binDir.c_str());
  quarantine(100);
  outbox(100, 1000000);
  csv(8, 10000);
  uploads(40000);
  return 0;
}
