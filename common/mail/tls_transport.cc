// TlsTransport over OpenSSL, loaded when the first connection is set up: a
// non-blocking handshake, reads and writes, each waiting on the socket with
// poll up to its deadline, and OpenSSL's reasons turned into readable replies.
#include "common/mail/tls_transport.h"

#include <arpa/inet.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <ctime>

#include "common/mail/openssl_library.h"

namespace {

// OpenSSL writes to the socket with write(), which raises SIGPIPE when the
// server has hung up and would end the program: while an OpenSSL call runs
// the signal is held back, and dropped if that call caused it.
class SigpipeHeld {
 public:
  SigpipeHeld() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    wasPending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_, &previous_);
  }
  // Keeps errno as the OpenSSL call left it.
  ~SigpipeHeld() {
    int error = errno;
    sigset_t pending;
    sigpending(&pending);
    if (!wasPending_ && sigismember(&pending, SIGPIPE) == 1) {
      timespec none{};
      sigtimedwait(&pipe_, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    errno = error;
  }
  SigpipeHeld(const SigpipeHeld&) = delete;
  SigpipeHeld& operator=(const SigpipeHeld&) = delete;

 private:
  sigset_t pipe_;
  sigset_t previous_;
  bool wasPending_ = false;
};

bool isAddress(const Text& host) {
  unsigned char address[sizeof(in6_addr)];
  return inet_pton(AF_INET, host.c_str(), address) == 1 ||
         inet_pton(AF_INET6, host.c_str(), address) == 1;
}

}  // namespace

TlsTransport::~TlsTransport() {
  if (!openSsl_) return;
  const OpenSslLibrary& o = *openSsl_;
  if (ssl_ && o.SSL_is_init_finished(ssl_)) {
    SigpipeHeld held;
    o.SSL_shutdown(ssl_);  // a courtesy: the answer is not waited for
  }
  o.SSL_free(ssl_);
  o.SSL_CTX_free(context_);
}

// Verification is always on: there is no setting that turns it off.
bool TlsTransport::configure(const Text& host, const Text& caFile) {
  openSsl_ = openSslLibrary();
  if (!openSsl_) {
    error_ = "TLS: the OpenSSL library (libssl) cannot be loaded";
    return false;
  }
  const OpenSslLibrary& o = *openSsl_;
  context_ = o.SSL_CTX_new(o.TLS_client_method());
  if (!context_ ||
      !o.SSL_CTX_ctrl(context_, SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION, nullptr))
    return false;
  o.SSL_CTX_set_verify(context_, SSL_VERIFY_PEER, nullptr);
  o.SSL_CTX_set_options(context_, SSL_OP_IGNORE_UNEXPECTED_EOF);
  bool trusted = caFile.empty()
                     ? o.SSL_CTX_set_default_verify_paths(context_) == 1
                     : o.SSL_CTX_load_verify_locations(context_, caFile.c_str(), nullptr) == 1;
  if (!trusted) {
    error_ = caFile.empty() ? "TLS: the system's CA store cannot be read"
                            : "TLS: the CA file (mailCaFile) cannot be read";
    return false;
  }
  ssl_ = o.SSL_new(context_);
  if (!ssl_ || o.SSL_set_fd(ssl_, tcp_.socket()) != 1) return false;
  if (host.empty()) return false;
  // An address is matched against the certificate's addresses; a name is
  // also sent as the server name (SNI), which never carries an address.
  if (isAddress(host))
    return o.X509_VERIFY_PARAM_set1_ip_asc(o.SSL_get0_param(ssl_), host.c_str()) == 1;
  o.SSL_set_hostflags(ssl_, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
  // SSL_set_tlsext_host_name, which the headers define as this call.
  void* name = const_cast<char*>(host.c_str());
  return o.SSL_ctrl(ssl_, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name, name) == 1 &&
         o.SSL_set1_host(ssl_, host.c_str()) == 1;
}

IoResult TlsTransport::handshake(const Text& host, const Text& caFile,
                                 SmtpClock::time_point deadline) {
  if (!configure(host, caFile)) {
    if (error_.empty()) error_ = "TLS: the connection cannot be set up";
    if (openSsl_) openSsl_->ERR_clear_error();
    return IoResult{IoStatus::Failed, 0};
  }
  for (;;) {
    int result;
    {
      SigpipeHeld held;
      openSsl_->ERR_clear_error();
      result = openSsl_->SSL_connect(ssl_);
    }
    if (result == 1) return IoResult{};
    IoResult next = afterCall(result, deadline);
    if (next.ok()) continue;
    if (!error_.empty()) return next;
    if (next.status == IoStatus::TimedOut)
      error_ = "TLS: the server did not complete the handshake in time";
    else if (next.status == IoStatus::Closed)
      error_ = "TLS: the server closed the connection during the handshake";
    else
      error_ = "TLS: the connection failed during the handshake";
    return next;
  }
}

IoResult TlsTransport::afterCall(int result, SmtpClock::time_point deadline) {
  int socketError = errno;
  switch (openSsl_->SSL_get_error(ssl_, result)) {
    case SSL_ERROR_WANT_READ: return waitForSocket(tcp_.socket(), POLLIN, deadline);
    case SSL_ERROR_WANT_WRITE: return waitForSocket(tcp_.socket(), POLLOUT, deadline);
    case SSL_ERROR_ZERO_RETURN: return IoResult{IoStatus::Closed, 0};
    case SSL_ERROR_SYSCALL:
      if (socketError == EINTR) return IoResult{};
      if (socketError == 0 || socketError == EPIPE || socketError == ECONNRESET)
        return IoResult{IoStatus::Closed, 0};
      return IoResult{IoStatus::Failed, socketErrorFromErrno(socketError)};
    default: noteError("failed"); return IoResult{IoStatus::Failed, 0};
  }
}

// The first reason OpenSSL queued ("certificate verify failed") and, when
// the certificate was refused, why ("self-signed certificate").
void TlsTransport::noteError(const char* what) {
  unsigned long code = openSsl_->ERR_get_error();
  const char* reason = code ? openSsl_->ERR_reason_error_string(code) : nullptr;
  error_ = Text("TLS: ") + (reason ? reason : what);
  long verified = openSsl_->SSL_get_verify_result(ssl_);
  if (verified != X509_V_OK)
    error_ += Text(" (") + openSsl_->X509_verify_cert_error_string(verified) + ")";
  openSsl_->ERR_clear_error();
}

IoResult TlsTransport::write(std::string_view bytes, SmtpClock::time_point deadline) {
  if (!ssl_) return IoResult{IoStatus::Closed, 0};
  size_t done = 0;
  while (done < bytes.size()) {
    size_t written = 0;
    int result;
    {
      SigpipeHeld held;
      openSsl_->ERR_clear_error();
      result = openSsl_->SSL_write_ex(ssl_, bytes.data() + done, bytes.size() - done, &written);
    }
    if (result == 1) {
      done += written;
      continue;
    }
    // A write that must wait is repeated with the same bytes, as OpenSSL
    // requires.
    IoResult next = afterCall(result, deadline);
    if (!next.ok()) return next;
  }
  return IoResult{};
}

IoResult TlsTransport::readLine(Text& line, SmtpClock::time_point deadline) {
  for (;;) {
    if (received_.take(line)) return IoResult{};
    if (received_.closed() || !ssl_) return IoResult{IoStatus::Closed, 0};
    if (received_.overlong()) return IoResult{IoStatus::Failed, 0};
    char buffer[4096];
    size_t got = 0;
    int result;
    {
      SigpipeHeld held;
      openSsl_->ERR_clear_error();
      result = openSsl_->SSL_read_ex(ssl_, buffer, sizeof buffer, &got);
    }
    if (result == 1) {
      received_.append(buffer, got);
      continue;
    }
    IoResult next = afterCall(result, deadline);
    if (next.status == IoStatus::Closed)
      received_.markClosed();
    else if (!next.ok())
      return next;
  }
}
