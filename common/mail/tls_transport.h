// TlsTransport: the mail dialogue over TLS on an open TcpTransport, from the
// first byte (port 465) or after STARTTLS. The server's certificate must
// chain to the system's CA store (or a given CA file) and name the host.
#pragma once

#include "common/mail/smtp_transport.h"
#include "common/text/text.h"

struct OpenSslLibrary;
struct ssl_ctx_st;
struct ssl_st;

class TlsTransport : public SmtpTransport {
 public:
  // Runs over the socket of `tcp`, which must stay open as long as this
  // object lives (it keeps owning the socket).
  explicit TlsTransport(TcpTransport& tcp) : tcp_(tcp) {}
  TlsTransport(const TlsTransport&) = delete;
  TlsTransport& operator=(const TlsTransport&) = delete;
  ~TlsTransport() override;

  // The handshake, TLS 1.2 or later, verifying the certificate against
  // `caFile` (the system store when empty) and `host` (a name or an
  // address). On failure error() says why, as "TLS: ...".
  IoResult handshake(const Text& host, const Text& caFile, SmtpClock::time_point deadline);
  const Text& error() const { return error_; }

  IoResult write(std::string_view bytes, SmtpClock::time_point deadline) override;
  IoResult readLine(Text& line, SmtpClock::time_point deadline) override;

 private:
  bool configure(const Text& host, const Text& caFile);
  // Waits for what an SSL call that returned `result` needs; Ok to call it
  // again, otherwise how the connection ended.
  IoResult afterCall(int result, SmtpClock::time_point deadline);
  void noteError(const char* what);

  TcpTransport& tcp_;
  const OpenSslLibrary* openSsl_ = nullptr;  // set once the connection is set up
  ssl_ctx_st* context_ = nullptr;
  ssl_st* ssl_ = nullptr;
  ReceivedLines received_;
  Text error_;
};
