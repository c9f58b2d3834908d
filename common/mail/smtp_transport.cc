// TcpTransport over POSIX sockets: non-blocking connect and reads bounded by
// a deadline, writes that never raise SIGPIPE, and the mapping of errno and
// resolver results onto the Windows Sockets numbers the messages use.
#include "common/mail/smtp_transport.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

std::chrono::milliseconds& timeoutSetting() {
  static std::chrono::milliseconds timeout{30000};
  return timeout;
}

struct ErrnoName {
  int error;
  int code;
};

constexpr ErrnoName kErrnoCodes[] = {
    {EINTR, 10004},      {EACCES, 10013},          {EFAULT, 10014},          {EINVAL, 10022},
    {EMFILE, 10024},     {EWOULDBLOCK, 10035},     {EINPROGRESS, 10036},     {ENOTSOCK, 10038},
    {EPROTOTYPE, 10041}, {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044}, {EAFNOSUPPORT, 10047},
    {ENETDOWN, 10050},   {ENETRESET, 10052},       {ENOBUFS, 10055},
};

bool isNumber(std::string_view text) {
  if (text.empty() || text.size() > 5) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

std::chrono::milliseconds smtpTimeout() { return timeoutSetting(); }
void setSmtpTimeout(std::chrono::milliseconds timeout) { timeoutSetting() = timeout; }

int socketErrorFromErrno(int error) {
  for (const ErrnoName& entry : kErrnoCodes)
    if (entry.error == error) return entry.code;
  return 0;
}

int socketErrorFromResolver(int result, int error) {
  switch (result) {
    case EAI_NONAME: return 11001;
    case EAI_AGAIN: return 11002;
    case EAI_FAIL: return 11003;
#ifdef EAI_NODATA
    case EAI_NODATA: return 11004;
#endif
    case EAI_SYSTEM: return socketErrorFromErrno(error);
    default: return 0;
  }
}

MailServerAddress parseMailServer(std::string_view setting) {
  MailServerAddress address;
  std::string_view host = setting;
  std::string_view port;
  bool hasPort = false;
  if (!setting.empty() && setting[0] == '[' && setting.find(']') != std::string_view::npos) {
    size_t close = setting.find(']');
    host = setting.substr(1, close - 1);
    std::string_view rest = setting.substr(close + 1);
    hasPort = !rest.empty();
    if (hasPort && rest[0] != ':') address.valid = false;
    if (hasPort) port = rest.substr(1);
  } else if (size_t colon = setting.find(':');
             colon != std::string_view::npos && setting.rfind(':') == colon) {
    host = setting.substr(0, colon);
    port = setting.substr(colon + 1);
    hasPort = true;
  }
  address.host = Text(host);
  if (!hasPort || port.empty()) return address;
  long number = isNumber(port) ? leadingNumber(port) : 0;
  if (number < 1 || number > 65535)
    address.valid = false;
  else
    address.port = Text::fromInt(number);
  return address;
}

TcpTransport::~TcpTransport() { close(); }

void TcpTransport::close() {
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
}

IoResult TcpTransport::open(const Text& host, const Text& port, SmtpClock::time_point deadline) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* addresses = nullptr;
  int result = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &addresses);
  if (result != 0) return IoResult{IoStatus::Failed, socketErrorFromResolver(result, errno)};
  IoResult outcome{IoStatus::Failed, 0};
  for (addrinfo* a = addresses; a; a = a->ai_next) {
    outcome = connectTo(*a, deadline);
    if (outcome.status == IoStatus::Ok || outcome.status == IoStatus::TimedOut) break;
  }
  ::freeaddrinfo(addresses);
  return outcome;
}

IoResult waitForSocket(int socket, short events, SmtpClock::time_point deadline) {
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SmtpClock::now());
    if (left.count() <= 0) return IoResult{IoStatus::TimedOut, 0};
    pollfd descriptor{socket, events, 0};
    int ready = ::poll(&descriptor, 1, static_cast<int>(std::min<long>(left.count(), 1 << 30)));
    if (ready > 0) return IoResult{};
    if (ready == 0) return IoResult{IoStatus::TimedOut, 0};
    if (errno != EINTR) return IoResult{IoStatus::Failed, socketErrorFromErrno(errno)};
  }
}

bool ReceivedLines::take(Text& line) {
  size_t end = received_.find('\n');
  if (end == std::string::npos && (!closed_ || received_.empty())) return false;
  size_t next = end == std::string::npos ? received_.size() : end + 1;
  if (end == std::string::npos) end = received_.size();
  if (end > 0 && received_[end - 1] == '\r') --end;
  line = Text(std::string_view(received_).substr(0, end));
  received_.erase(0, next);
  return true;
}

IoResult TcpTransport::connectTo(const addrinfo& address, SmtpClock::time_point deadline) {
  close();
  received_.clear();
  socket_ = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                     address.ai_protocol);
  if (socket_ < 0) return IoResult{IoStatus::Failed, socketErrorFromErrno(errno)};
  if (::connect(socket_, address.ai_addr, address.ai_addrlen) == 0) return IoResult{};
  if (errno != EINPROGRESS && errno != EINTR) {
    int error = errno;
    close();
    return IoResult{IoStatus::Failed, socketErrorFromErrno(error)};
  }
  IoResult ready = waitForSocket(socket_, POLLOUT, deadline);
  int error = 0;
  socklen_t length = sizeof error;
  if (ready.ok() && ::getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
    error = errno;
  if (ready.ok() && error == 0) return ready;
  close();
  return ready.ok() ? IoResult{IoStatus::Failed, socketErrorFromErrno(error)} : ready;
}

IoResult TcpTransport::write(std::string_view bytes, SmtpClock::time_point deadline) {
  if (socket_ < 0) return IoResult{IoStatus::Closed, 0};
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t sent = ::send(socket_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (sent >= 0) {
      done += static_cast<size_t>(sent);
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      IoResult ready = waitForSocket(socket_, POLLOUT, deadline);
      if (!ready.ok()) return ready;
    } else if (errno == EPIPE || errno == ECONNRESET) {
      return IoResult{IoStatus::Closed, 0};
    } else if (errno != EINTR) {
      return IoResult{IoStatus::Failed, socketErrorFromErrno(errno)};
    }
  }
  return IoResult{};
}

IoResult TcpTransport::readLine(Text& line, SmtpClock::time_point deadline) {
  for (;;) {
    if (received_.take(line)) return IoResult{};
    if (received_.closed() || socket_ < 0) return IoResult{IoStatus::Closed, 0};
    if (received_.overlong()) return IoResult{IoStatus::Failed, 0};
    IoResult ready = waitForSocket(socket_, POLLIN, deadline);
    if (!ready.ok()) return ready;
    char buffer[4096];
    ssize_t got = ::recv(socket_, buffer, sizeof buffer, 0);
    if (got > 0)
      received_.append(buffer, static_cast<size_t>(got));
    else if (got == 0 || errno == ECONNRESET)
      received_.markClosed();
    else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
      return IoResult{IoStatus::Failed, socketErrorFromErrno(errno)};
  }
}
