// The FastCGI records a web server sends (begin, parameters, input) and
// reads back (output, error output, end of request), over a Unix socket.
#include "support/fastcgi_client.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>

namespace {

enum RecordType : unsigned char {
  kBeginRequest = 1,
  kEndRequest = 3,
  kParams = 4,
  kStdin = 5,
  kStdout = 6,
  kStderr = 7,
};
constexpr unsigned char kResponder = 1;
constexpr size_t kHeaderSize = 8;
constexpr size_t kMaxContent = 65535;

void appendRecord(std::string& out, RecordType type, std::string_view content) {
  unsigned char header[kHeaderSize] = {1,
                                       type,
                                       0,
                                       1,
                                       static_cast<unsigned char>(content.size() >> 8),
                                       static_cast<unsigned char>(content.size() & 0xff),
                                       0,
                                       0};
  out.append(reinterpret_cast<char*>(header), kHeaderSize);
  out.append(content);
}

// A stream's content cut into records, ended by an empty one.
void appendStream(std::string& out, RecordType type, std::string_view content) {
  for (size_t at = 0; at < content.size(); at += kMaxContent)
    appendRecord(out, type, content.substr(at, kMaxContent));
  appendRecord(out, type, {});
}

void appendLength(std::string& out, size_t length) {
  if (length < 128) {
    out += static_cast<char>(length);
    return;
  }
  out += static_cast<char>(0x80 | ((length >> 24) & 0x7f));
  out += static_cast<char>((length >> 16) & 0xff);
  out += static_cast<char>((length >> 8) & 0xff);
  out += static_cast<char>(length & 0xff);
}

std::string requestRecords(const Environment& env, const std::string& body) {
  std::string out;
  appendRecord(out, kBeginRequest, std::string_view("\0\1\0\0\0\0\0\0", 8));
  std::string params;
  for (const auto& [name, value] : env) {
    appendLength(params, name.size());
    appendLength(params, value.size());
    params += name;
    params += value;
  }
  appendStream(out, kParams, params);
  appendStream(out, kStdin, body);
  return out;
}

// Takes the complete records off the front of `in`: output into the
// result, the end of the request into its status. True once the request ended.
bool takeRecords(std::string& in, CgiResult& result) {
  size_t at = 0;
  bool ended = false;
  while (in.size() - at >= kHeaderSize) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(in[at + i]); };
    size_t length = (byte(4) << 8) | byte(5);
    size_t total = kHeaderSize + length + byte(6);
    if (in.size() - at < total) break;
    std::string_view content(in.data() + at + kHeaderSize, length);
    if (byte(1) == kStdout) result.output.append(content);
    if (byte(1) == kEndRequest && length >= 4) {
      auto c = [&](size_t i) { return static_cast<unsigned char>(content[i]); };
      result.status = static_cast<int>((c(0) << 24) | (c(1) << 16) | (c(2) << 8) | c(3));
      ended = true;
    }
    at += total;
  }
  in.erase(0, at);
  return ended;
}

int connectTo(const std::string& path) {
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    fcntl(fd, F_SETFL, O_NONBLOCK);
    return fd;
  }
  if (fd >= 0) close(fd);
  return -1;
}

// Writes the request while reading the answer, so that neither side waits
// on a full socket; a program that stops reading its input early is fine.
CgiResult exchange(int fd, const std::string& out, int timeoutSeconds) {
  CgiResult result;
  std::string in;
  size_t sent = 0;
  bool writing = true;
  bool ended = false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  char buffer[65536];
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{fd, static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0};
    if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) return {};
    if (writing && (ready.revents & POLLOUT)) {
      ssize_t put = send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
      if (put > 0) sent += static_cast<size_t>(put);
      if (put < 0 || sent == out.size()) writing = false;
    }
    if (ready.revents & (POLLIN | POLLHUP | POLLERR)) {
      ssize_t got = read(fd, buffer, sizeof buffer);
      // The program closes the connection once it has finished the request.
      if (got <= 0) return ended ? result : CgiResult{-1, result.output};
      in.append(buffer, static_cast<size_t>(got));
      ended = ended || takeRecords(in, result);
    }
  }
}

}  // namespace

FastCgiServer::FastCgiServer(const std::string& program) : program_(program) {
  static int serial = 0;
  socketPath_ = std::filesystem::temp_directory_path().string() + "/kalder-fcgi-" +
                std::to_string(getpid()) + "-" + std::to_string(++serial);
  start();
}

FastCgiServer::~FastCgiServer() { stop(); }

void FastCgiServer::start() {
  stop();
  std::remove(socketPath_.c_str());
  int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socketPath_.copy(address.sun_path, sizeof address.sun_path - 1);
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 64) != 0) {
    if (listener >= 0) close(listener);
    return;
  }
  // The death signal follows the thread that forks, not the process: a
  // program started by a test's worker thread would die with that thread, so
  // only the main thread's children get it (the others are stopped when the
  // test program ends).
  bool mainThread = gettid() == getpid();
  pid_ = fork();
  if (pid_ == 0) {
    if (mainThread) prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives the test
    dup2(listener, 0);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close_range(3, ~0U, 0);
    char* argv[] = {const_cast<char*>(program_.c_str()), nullptr};
    char* envp[] = {nullptr};
    execve(program_.c_str(), argv, envp);
    _exit(127);
  }
  close(listener);
}

void FastCgiServer::stop() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
  std::remove(socketPath_.c_str());
}

bool FastCgiServer::running() {
  if (pid_ <= 0) return false;
  if (waitpid(pid_, nullptr, WNOHANG) == 0) return true;
  pid_ = -1;
  return false;
}

CgiResult FastCgiServer::request(const Environment& env, const std::string& body,
                                 int timeoutSeconds) {
  {
    // Tests post from several threads at once: one of them starts the program.
    std::lock_guard<std::mutex> guard(startMutex_);
    if (!running()) start();
  }
  int fd = connectTo(socketPath_);
  if (fd < 0) return {};
  CgiResult result = exchange(fd, requestRecords(env, body), timeoutSeconds);
  close(fd);
  std::lock_guard<std::mutex> guard(startMutex_);
  if (result.status < 0 && running() && timeoutSeconds > 0) {
    // No end of request in time: the program hangs; start afresh next time.
    stop();
  }
  return result;
}

long FastCgiServer::residentBytes() const {
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  std::string word;
  while (status >> word)
    if (word == "VmRSS:") {
      long kilobytes = 0;
      status >> kilobytes;
      return kilobytes * 1024;
    }
  return 0;
}

long FastCgiServer::openDescriptors() const {
  std::error_code error;
  std::filesystem::directory_iterator entries("/proc/" + std::to_string(pid_) + "/fd", error);
  long count = 0;
  for (auto it = entries; !error && it != std::filesystem::directory_iterator();
       it.increment(error))
    ++count;
  return count;
}

bool fastCgiMode() {
  const char* mode = std::getenv("KALDER_TEST_FASTCGI");
  return mode && std::string(mode) == "1";
}

FastCgiServer& residentServer(const std::string& program) {
  static std::mutex serversMutex;
  std::lock_guard<std::mutex> guard(serversMutex);
  static std::map<std::string, std::unique_ptr<FastCgiServer>> servers;
  std::unique_ptr<FastCgiServer>& server = servers[program];
  if (!server) server = std::make_unique<FastCgiServer>(program);
  return *server;
}
