// The connection a mail dialogue runs over: an interface that tests script,
// and TcpTransport, the POSIX sockets connection with time-outs. Errors are
// given as Windows Sockets error numbers, the numbering of the mail messages.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "common/text/text.h"

using SmtpClock = std::chrono::steady_clock;

enum class IoStatus { Ok, Closed, TimedOut, Failed };

struct IoResult {
  IoStatus status = IoStatus::Ok;
  int code = 0;  // Windows Sockets number of a Failed call; 0 when it has none
  bool ok() const { return status == IoStatus::Ok; }
};

class SmtpTransport {
 public:
  virtual ~SmtpTransport() = default;
  // Writes all of `bytes` or fails.
  virtual IoResult write(std::string_view bytes, SmtpClock::time_point deadline) = 0;
  // Reads one line without its line end. A last line without a line end
  // still counts as a line; after it the connection reads as Closed.
  virtual IoResult readLine(Text& line, SmtpClock::time_point deadline) = 0;
};

// How long connecting, and each reply of the server, may take (30 seconds
// unless a test shortens it).
std::chrono::milliseconds smtpTimeout();
void setSmtpTimeout(std::chrono::milliseconds timeout);

// The Windows Sockets number of an errno value or of a getaddrinfo result
// (with the errno it left, for EAI_SYSTEM); 0 when it has no named match.
int socketErrorFromErrno(int error);
int socketErrorFromResolver(int result, int error);

// A mail server setting: a host name or address, optionally followed by ":"
// and a port ("mail.example.org", "127.0.0.1:2525", "[::1]:2525").
struct MailServerAddress {
  Text host;
  Text port = "25";
  bool valid = true;  // false for a port that is not a number from 1 to 65535
};
MailServerAddress parseMailServer(std::string_view setting);

// Waits until `socket` is ready for `events` (POLLIN, POLLOUT) or the
// deadline passes.
IoResult waitForSocket(int socket, short events, SmtpClock::time_point deadline);

// The bytes a connection received and has not yet given out as lines: the
// line splitting that the plain and the TLS connection share.
class ReceivedLines {
 public:
  void append(const char* bytes, size_t size) { received_.append(bytes, size); }
  void markClosed() { closed_ = true; }
  bool closed() const { return closed_; }
  bool empty() const { return received_.empty(); }
  // A reply line longer than this is no SMTP (the limit there is 512 bytes).
  bool overlong() const { return received_.size() > 4096; }
  // Takes the next line without its line end (the last bytes before the
  // connection closed count as a line); false when none is complete yet.
  bool take(Text& line);
  void clear() { *this = ReceivedLines(); }

 private:
  std::string received_;
  bool closed_ = false;
};

class TcpTransport : public SmtpTransport {
 public:
  TcpTransport() = default;
  TcpTransport(const TcpTransport&) = delete;
  TcpTransport& operator=(const TcpTransport&) = delete;
  ~TcpTransport() override;

  // Resolves the host and connects to its addresses in turn until one
  // answers; fails with the resolver's or the last connection's error.
  IoResult open(const Text& host, const Text& port, SmtpClock::time_point deadline);
  IoResult write(std::string_view bytes, SmtpClock::time_point deadline) override;
  IoResult readLine(Text& line, SmtpClock::time_point deadline) override;

  // The connected socket, for a TLS layer to run over (this object still
  // owns it); -1 when not connected.
  int socket() const { return socket_; }
  // Whether the server sent bytes that were not read yet: before a TLS
  // handshake that would be an injected plain-text reply.
  bool hasUnreadInput() const { return !received_.empty(); }

 private:
  IoResult connectTo(const struct addrinfo& address, SmtpClock::time_point deadline);
  void close();

  int socket_ = -1;
  ReceivedLines received_;
};
