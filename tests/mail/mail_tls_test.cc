// Mail security: EHLO, STARTTLS and AUTH as bytes over a scripted transport,
// the new settings, and deliverMail against a real TLS mail server with
// certificates made for the test (trusted, untrusted, for another host).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/mail/mail_delivery.h"
#include "common/mail/smtp_dialogue.h"
#include "common/settings/settings_file.h"
#include "support/smtp_sink.h"
#include "support/test_home.h"
#include "support/text_print.h"

namespace {

using namespace std::chrono_literals;

// Plays the server's side from a text; "<TLS>" in what was written marks
// where the handshake took place.
class ScriptedTransport : public SmtpTransport {
 public:
  explicit ScriptedTransport(std::string replies) : replies_(std::move(replies)) {}
  IoResult write(std::string_view bytes, SmtpClock::time_point) override {
    written += bytes;
    return IoResult{};
  }
  IoResult readLine(Text& line, SmtpClock::time_point) override {
    if (replies_.empty()) return IoResult{IoStatus::Closed, 0};
    size_t end = replies_.find("\r\n");
    line = Text(replies_.substr(0, end));
    replies_.erase(0, end == std::string::npos ? end : end + 2);
    return IoResult{};
  }
  std::string written;

 private:
  std::string replies_;
};

const MailMessage kMail{"mail.example.org", "shop@example.org", "ana@example.org", "s", "b", ""};
// What the client sends from MAIL FROM on, once the server has taken the mail.
const std::string kMailBytes =
    "MAIL FROM: <shop@example.org>\r\nRCPT TO: <ana@example.org>\r\nDATA\r\n" +
    messageData(kMail).str() + "QUIT\r\n";
const std::string kMailAccepted = "250 ok\r\n250 ok\r\n354 go\r\n250 queued\r\n221 bye\r\n";

struct SecurityRow {
  const char* name;
  MailSecurity mode;
  const char* user;
  std::string replies;  // after the greeting
  std::string written;
  const char* refusal;  // the reply of an unsent mail; nullptr: sent
  bool handshakeFails = false;
};

// The bytes without a Date line, which is the clock's and not the dialogue's.
std::string withoutDate(std::string bytes) {
  size_t date = bytes.find("\r\nDate: ");
  if (date != std::string::npos) bytes.erase(date, bytes.find("\r\n", date + 2) - date);
  return bytes;
}

const SecurityRow kSecurityRows[] = {
    {"StartTlsOffered", MailSecurity::StartTls, "",
     "250-mx\r\n250 STARTTLS\r\n220 go\r\n250 mx\r\n" + kMailAccepted,
     "EHLO mail.example.org\r\nSTARTTLS\r\n<TLS>EHLO mail.example.org\r\n" + kMailBytes, nullptr},
    {"StartTlsNotOfferedGoesOnPlain", MailSecurity::StartTls, "", "250 mx\r\n" + kMailAccepted,
     "EHLO mail.example.org\r\n" + kMailBytes, nullptr},
    {"EhloUnknownFallsBackToHelo", MailSecurity::StartTls, "",
     "502 5.5.1 unknown command\r\n250 hello\r\n" + kMailAccepted,
     "EHLO mail.example.org\r\nHELO mail.example.org\r\n" + kMailBytes, nullptr},
    {"EhloUnknownWhenTlsIsRequired", MailSecurity::StartTlsRequired, "",
     "502 5.5.1 unknown command\r\n250 hello\r\n" + kMailAccepted, "EHLO mail.example.org\r\n",
     "502 5.5.1 unknown command"},
    {"StartTlsRequiredNotOffered", MailSecurity::StartTlsRequired, "",
     "250-mx\r\n250 AUTH PLAIN\r\n" + kMailAccepted, "EHLO mail.example.org\r\n",
     kStartTlsNotOffered},
    {"StartTlsRefused", MailSecurity::StartTls, "",
     "250-mx\r\n250 STARTTLS\r\n454 4.7.0 TLS not available\r\n" + kMailAccepted,
     "EHLO mail.example.org\r\nSTARTTLS\r\n", "454 4.7.0 TLS not available"},
    {"HandshakeFailed", MailSecurity::StartTlsRequired, "",
     "250-mx\r\n250 STARTTLS\r\n220 go\r\n" + kMailAccepted,
     "EHLO mail.example.org\r\nSTARTTLS\r\n", "TLS: handshake failed", true},
    {"AuthPlain", MailSecurity::Tls, "user",
     "250-mx\r\n250 AUTH LOGIN PLAIN\r\n235 ok\r\n" + kMailAccepted,
     "EHLO mail.example.org\r\nAUTH PLAIN AHVzZXIAcGFzcw==\r\n" + kMailBytes, nullptr},
    {"AuthLogin", MailSecurity::Tls, "user",
     "250-mx\r\n250-AUTH=LOGIN\r\n250 SIZE 1000\r\n334 VXNlcm5hbWU6\r\n334 UGFzc3dvcmQ6\r\n"
     "235 ok\r\n" +
         kMailAccepted,
     "EHLO mail.example.org\r\nAUTH LOGIN\r\ndXNlcg==\r\ncGFzcw==\r\n" + kMailBytes, nullptr},
    // What the server offered before TLS does not count after it.
    {"OffersAreAskedAgainAfterStartTls", MailSecurity::StartTlsRequired, "user",
     "250-mx\r\n250-AUTH PLAIN\r\n250 STARTTLS\r\n220 go\r\n250-mx\r\n250 AUTH LOGIN\r\n"
     "334 VXNlcm5hbWU6\r\n334 UGFzc3dvcmQ6\r\n235 ok\r\n" +
         kMailAccepted,
     "EHLO mail.example.org\r\nSTARTTLS\r\n<TLS>EHLO mail.example.org\r\nAUTH LOGIN\r\n"
     "dXNlcg==\r\ncGFzcw==\r\n" +
         kMailBytes,
     nullptr},
    {"WrongLogin", MailSecurity::Tls, "user",
     "250-mx\r\n250 AUTH PLAIN\r\n535 5.7.8 Authentication credentials invalid\r\n" + kMailAccepted,
     "EHLO mail.example.org\r\nAUTH PLAIN AHVzZXIAcGFzcw==\r\n",
     "535 5.7.8 Authentication credentials invalid"},
    {"NoMechanism", MailSecurity::Tls, "user", "250-mx\r\n250 AUTH CRAM-MD5\r\n" + kMailAccepted,
     "EHLO mail.example.org\r\n", kNoLoginMechanism},
    {"LoginWithoutStartTlsOffer", MailSecurity::StartTls, "user",
     "250-mx\r\n250 AUTH PLAIN\r\n" + kMailAccepted, "EHLO mail.example.org\r\n", kLoginNeedsTls},
    {"LoginWithoutSecurity", MailSecurity::None, "user",
     "250-mx\r\n250 AUTH PLAIN\r\n" + kMailAccepted, "", kLoginNeedsTls},
};

TEST(SmtpSecurity, CommandsAsBytes) {
  for (const SecurityRow& row : kSecurityRows) {
    ScriptedTransport transport("220 mx ready\r\n" + row.replies);
    SmtpSecurity security{row.mode, row.user, "pass", nullptr};
    security.startTls = [&](Text& error) -> SmtpTransport* {
      if (row.handshakeFails) {
        error = "TLS: handshake failed";
        return nullptr;
      }
      transport.written += "<TLS>";
      return &transport;
    };
    SmtpOutcome outcome = runSmtpDialogue(transport, kMail, security);
    EXPECT_EQ(withoutDate(transport.written), withoutDate(row.written)) << row.name;
    EXPECT_EQ(outcome.sent, row.refusal == nullptr) << row.name;
    if (row.refusal) {
      EXPECT_EQ(outcome.reply, row.refusal) << row.name;
    }
  }
}

TEST(MailSecuritySetting, KnownValuesInAnyCase) {
  EXPECT_EQ(parseMailSecurity(""), MailSecurity::None);
  EXPECT_EQ(parseMailSecurity("None"), MailSecurity::None);
  EXPECT_EQ(parseMailSecurity("STARTTLS"), MailSecurity::StartTls);
  EXPECT_EQ(parseMailSecurity("starttls-required"), MailSecurity::StartTlsRequired);
  EXPECT_EQ(parseMailSecurity("tls"), MailSecurity::Tls);
  for (const char* unknown : {"ssl", "tls ", "starttls-optional", "yes"})
    EXPECT_EQ(parseMailSecurity(unknown), std::nullopt) << unknown;
}

TEST(MailSecuritySetting, UnknownValueSendsNothing) {
  SmtpOutcome outcome = deliverMail(MailSettings{"127.0.0.1:9", "ssl", "", "", ""}, kMail);
  EXPECT_FALSE(outcome.sent);
  EXPECT_EQ(outcome.reply, kUnknownMailSecurity);
}

TEST(MailSecuritySetting, KeysRoundTripAndFilesWithoutThemStayAsTheyWere) {
  const char* withKeys =
      "[GENERAL]\nversion=1.2\nmailServer=mx.example.org:587\nmailSecurity=starttls-required\n"
      "mailUser=forms@example.org\nmailPassword=p=w d\nmailCaFile=/etc/ssl/mx.pem\nlater=x\n";
  SystemSettings settings = parseSettingsFile(withKeys);
  EXPECT_EQ(settings.mailPassword, "p=w d");
  EXPECT_EQ(settingsFileText(settings), withKeys);
  const char* without = "[GENERAL]\nversion=1.2\nmailServer=mx.example.org\nlater=x\n";
  EXPECT_EQ(settingsFileText(parseSettingsFile(without)), without);
  MailSettings mail = mailSettings(parseSettingsFile("[general]\nMAILSECURITY=tls\nmailuser=u\n"));
  EXPECT_EQ(mail.security, "tls");
  EXPECT_EQ(mail.user, "u");
}

// ---- deliverMail against a real TLS mail server ----

// A self-signed certificate and its key, made with the openssl command for
// the names in `subjectAltName` ("DNS:localhost,IP:127.0.0.1").
struct Certificate {
  std::string cert, key;
};

Certificate makeCertificate(const TestHome& dir, const std::string& name,
                            const std::string& subjectAltName) {
  Certificate made{dir.file(name + ".pem"), dir.file(name + ".key")};
  std::string command =
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
      "-subj /CN=" +
      name + " -addext subjectAltName=" + subjectAltName + " -keyout " + made.key + " -out " +
      made.cert + " 2>/dev/null";
  if (std::system(command.c_str()) != 0) made = Certificate{};
  return made;
}

class TlsDelivery : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    certificates_ = new TestHome;
    local_ = makeCertificate(*certificates_, "localhost", "DNS:localhost,IP:127.0.0.1");
    other_ = makeCertificate(*certificates_, "mail.example.org", "DNS:mail.example.org");
  }
  static void TearDownTestSuite() { delete certificates_; }

  TlsDelivery() { setSmtpTimeout(10s); }
  ~TlsDelivery() override { setSmtpTimeout(30s); }
  void SetUp() override { ASSERT_FALSE(local_.cert.empty() || other_.cert.empty()); }

  // A sink with the certificate, TLS from the start ("--tls") or after
  // STARTTLS ("--starttls"), taking mail only after the login user/pass.
  static std::vector<std::string> sinkOptions(const char* security, const Certificate& c) {
    return {security, "--cert", c.cert, "--key", c.key, "--user", "user", "--password", "pass"};
  }
  static MailSettings settings(const std::string& host, int port, const char* security,
                               const char* password, const std::string& caFile) {
    return MailSettings{host + ":" + std::to_string(port), security, "user", password, caFile};
  }

  static TestHome* certificates_;
  static Certificate local_, other_;
};

TestHome* TlsDelivery::certificates_ = nullptr;
Certificate TlsDelivery::local_, TlsDelivery::other_;

TEST_F(TlsDelivery, StartTlsWithLoginDelivers) {
  SmtpSink sink("", sinkOptions("--starttls", local_));
  ASSERT_NE(sink.port(), 0);
  SmtpOutcome outcome =
      deliverMail(settings("127.0.0.1", sink.port(), "starttls", "pass", local_.cert), kMail);
  EXPECT_TRUE(outcome.sent) << outcome.reply.str();
  std::vector<std::string> mails = sink.mails(1);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0].substr(0, mails[0].find("RCPT")),
            "HELO mail.example.org\r\nAUTH PLAIN user\r\nMAIL FROM: <shop@example.org>\r\n");
}

TEST_F(TlsDelivery, ImplicitTlsDelivers) {
  SmtpSink sink("", sinkOptions("--tls", local_));
  ASSERT_NE(sink.port(), 0);
  SmtpOutcome outcome =
      deliverMail(settings("127.0.0.1", sink.port(), "tls", "pass", local_.cert), kMail);
  EXPECT_TRUE(outcome.sent) << outcome.reply.str();
  EXPECT_EQ(sink.mails(1).size(), 1u);
}

TEST_F(TlsDelivery, FailuresAreReadableAndSendNothing) {
  struct Row {
    const char* security;
    const char* host;
    const char* password;
    bool trusted;        // mailCaFile names the server's certificate
    bool otherHostCert;  // the server's certificate is for mail.example.org
    const char* reply;
  } rows[] = {
      {"starttls", "127.0.0.1", "wrong", true, false,
       "535 5.7.8 Authentication credentials invalid"},
      {"starttls-required", "127.0.0.1", "pass", false, false,
       "TLS: certificate verify failed (self-signed certificate)"},
      {"tls", "127.0.0.1", "pass", false, false,
       "TLS: certificate verify failed (self-signed certificate)"},
      {"tls", "localhost", "pass", true, true,
       "TLS: certificate verify failed (hostname mismatch)"},
      {"tls", "127.0.0.1", "pass", true, true,
       "TLS: certificate verify failed (IP address mismatch)"},
  };
  for (const Row& row : rows) {
    const Certificate& served = row.otherHostCert ? other_ : local_;
    SmtpSink sink("", sinkOptions(row.security[0] == 't' ? "--tls" : "--starttls", served));
    ASSERT_NE(sink.port(), 0);
    SmtpOutcome outcome = deliverMail(
        settings(row.host, sink.port(), row.security, row.password, row.trusted ? served.cert : ""),
        kMail);
    EXPECT_FALSE(outcome.sent) << row.reply;
    EXPECT_EQ(outcome.reply, row.reply);
    EXPECT_TRUE(sink.mails(0, 0).empty()) << row.reply;
  }
}

// A listening loopback socket that accepts nothing by itself; its port in
// `port`.
int loopbackListener(int& port) {
  int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener, 1) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    port = 0;
  else
    port = ntohs(address.sin_port);
  return listener;
}

// A port that takes connections but never answers: the handshake gives up
// at the time-out.
TEST_F(TlsDelivery, SilentServerTimesOutInTheHandshake) {
  int port;
  int listener = loopbackListener(port);
  ASSERT_NE(port, 0);
  setSmtpTimeout(300ms);
  auto start = std::chrono::steady_clock::now();
  SmtpOutcome outcome = deliverMail(settings("127.0.0.1", port, "tls", "pass", ""), kMail);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_FALSE(outcome.sent);
  EXPECT_EQ(outcome.reply, "TLS: the server did not complete the handshake in time");
  close(listener);
}

// A server (or anyone on the way) that sends a reply of its own right after
// agreeing to STARTTLS: read after the handshake, it would pass for one that
// came encrypted.
TEST_F(TlsDelivery, ReplyInjectedBeforeTheHandshakeIsRefused) {
  int port;
  int listener = loopbackListener(port);
  ASSERT_NE(port, 0);
  std::thread server([listener] {
    int connection = accept(listener, nullptr, nullptr);
    auto answer = [&](const std::string& reply) {
      send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
    };
    // Reads a command, or everything up to the client's hang-up.
    auto command = [&] {
      char c;
      while (recv(connection, &c, 1, 0) == 1 && c != '\n') {
      }
    };
    answer("220 mx\r\n");
    command();
    answer("250-mx\r\n250 STARTTLS\r\n");
    command();
    answer("220 go\r\n250-mx\r\n250 AUTH PLAIN\r\n");
    command();
    close(connection);
  });
  SmtpOutcome outcome =
      deliverMail(settings("127.0.0.1", port, "starttls-required", "pass", local_.cert), kMail);
  server.join();
  close(listener);
  EXPECT_FALSE(outcome.sent);
  EXPECT_EQ(outcome.reply, "TLS: the server sent data before the handshake");
}

}  // namespace
