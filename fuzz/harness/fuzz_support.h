// Shared pieces of the fuzz harnesses: a home directory of the process's own
// with a settings file and a group, the CGI environment of one input, and
// the page output captured in memory. The harnesses are headers so that the
// unit tests replay the committed corpora through exactly the same code.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "common/cgi/cgi_streams.h"

namespace fuzz {

inline void writeFile(const std::string& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The settings every harness runs under: one group "shop" whose description
// file lies in the home, and both languages with a chosen coding.
inline constexpr std::string_view kShopGroup =
    "description=The corner shop\n"
    "form=order\n"
    "catalog=orders order - Orders of the shop\n"
    "catalog=visits*year visit\n"
    "insert=sort name\n"
    "title=Shop\n"
    "label=ORD-\n"
    "count=41\n";

// A directory of the process's own, removed at exit. It lies on a memory file
// system when there is one: harnesses rewrite files for every input, and
// there a file's fsync costs nothing.
class FuzzHome {
 public:
  static const FuzzHome& get() {
    static FuzzHome home;
    return home;
  }
  ~FuzzHome() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  FuzzHome(const FuzzHome&) = delete;
  FuzzHome& operator=(const FuzzHome&) = delete;

  // Lower case (the system lower-cases its home) and ending with "/".
  const std::string& path() const { return path_; }
  std::string file(std::string_view name) const { return path_ + std::string(name); }
  // Restores the settings file and the group file that inputs may rewrite.
  void resetFiles() const {
    writeFile(file("kalder.ini"),
              "[GENERAL]\nadministrator=admin@example.org\n\n[GROUPS]\nshop=" + file("shop.grp") +
                  "\n\n[INTERNATIONAL]\nslo=utf8\n\n[HEADER]\n<meta x>\n");
    writeFile(file("shop.grp"), kShopGroup);
  }

 private:
  FuzzHome() {
    std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    removeHomesOfEndedProcesses(base);
    path_ = base + "/kalder-fuzz-" + std::to_string(getpid()) + "/";
    std::filesystem::create_directories(path_);
    resetFiles();
  }

  // A fuzzer that found something ends without removing its home.
  static void removeHomesOfEndedProcesses(const std::string& base) {
    std::error_code ignored;
    for (const auto& item : std::filesystem::directory_iterator(base, ignored)) {
      std::string name = item.path().filename().string();
      if (name.rfind("kalder-fuzz-", 0) != 0) continue;
      long pid = std::atol(name.c_str() + 12);
      if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        std::filesystem::remove_all(item.path(), ignored);
    }
  }

  std::string path_;
};

inline constexpr const char* kCgiVariables[] = {
    "REQUEST_METHOD", "QUERY_STRING", "CONTENT_LENGTH", "PATH_INFO", "PATH_TRANSLATED",
    "PATH_TRANSLATE", "SCRIPT_NAME",  "REMOTE_ADDR",    "KALDERHOME"};

// The CGI environment of one request for the life of the object: the
// variables set (the home is the process's FuzzHome), the request body and an
// output buffer in memory as the CGI streams. Afterwards the variables are
// cleared and the streams are the process's standard streams again.
class FuzzRequest {
 public:
  FuzzRequest(const char* method, std::string_view query, std::string_view contentLength,
              std::string_view pathInfo, std::string_view body)
      : body_(body) {
    clearVariables();
    if (method) set("REQUEST_METHOD", method);
    set("QUERY_STRING", query);
    set("CONTENT_LENGTH", contentLength);
    if (!pathInfo.empty()) set("PATH_INFO", pathInfo);
    set("SCRIPT_NAME", "/cgi-bin/insert.exe");
    set("REMOTE_ADDR", "192.0.2.7");
    set("KALDERHOME", FuzzHome::get().path());
    // fmemopen refuses an empty buffer; an empty body reads from /dev/null.
    input_ =
        body_.empty() ? std::fopen("/dev/null", "r") : fmemopen(body_.data(), body_.size(), "r");
    output_ = open_memstream(&outputData_, &outputSize_);
    cgiStreams().input = input_;
    cgiStreams().output = output_;
  }
  // A request without parameters, for harnesses that only need the layers.
  FuzzRequest() : FuzzRequest("GET", "", "", "", "") {}
  ~FuzzRequest() {
    cgiStreams().input = stdin;
    cgiStreams().output = stdout;
    if (input_) std::fclose(input_);
    if (output_) std::fclose(output_);
    std::free(outputData_);
    clearVariables();
  }
  FuzzRequest(const FuzzRequest&) = delete;
  FuzzRequest& operator=(const FuzzRequest&) = delete;

  // Everything written to the page so far.
  std::string output() {
    std::fflush(output_);
    return std::string(outputData_, outputSize_);
  }

 private:
  static void clearVariables() {
    for (const char* name : kCgiVariables) unsetenv(name);
  }
  // Environment values end at a zero byte, as a web server's do.
  static void set(const char* name, std::string_view value) {
    setenv(name, std::string(value).c_str(), 1);
  }

  std::string body_;
  std::FILE* input_ = nullptr;
  std::FILE* output_ = nullptr;
  char* outputData_ = nullptr;
  size_t outputSize_ = 0;
};

// Splits `data` at the first `separator`: the part before it is returned and
// taken off `data` with the separator; without one the whole of it.
inline std::string_view takeUntil(std::string_view& data, char separator) {
  size_t at = data.find(separator);
  std::string_view part = data.substr(0, at);
  data = at == std::string_view::npos ? std::string_view() : data.substr(at + 1);
  return part;
}

// The settings and group file writers keep every value on its line, so a
// carriage return inside a line is written as a space (a space that splits a
// word when read back), and a carriage return before a line break is dropped
// by every read. Round trips are checked on files without such carriage
// returns: each becomes a space here.
inline std::string withoutLoneCarriageReturns(std::string_view data) {
  std::string content(data);
  for (size_t i = 0; i < content.size(); ++i)
    if (content[i] == '\r' && (i + 1 >= content.size() || content[i + 1] != '\n')) content[i] = ' ';
  return content;
}

// A fuzz target's verdict: a problem the harness found aborts, so libFuzzer
// keeps the input that showed it.
inline void abortOnProblem(const std::string& problem) {
  if (problem.empty()) return;
  std::string shown;
  for (unsigned char c : problem) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
    shown += (c >= 32 && c < 127) || c == '\n' ? std::string(1, static_cast<char>(c)) : escaped;
  }
  std::fprintf(stderr, "fuzz harness: %s\n", shown.c_str());
  std::abort();
}

inline std::string_view bytes(const uint8_t* data, size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

}  // namespace fuzz
