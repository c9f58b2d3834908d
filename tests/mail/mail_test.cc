// Mail delivery: the SMTP dialogue over a scripted transport, the error
// codes, and deliverMail against a real SMTP server and against scripted
// servers that refuse, hang up or never answer, each with its outcome.
#include "common/mail/mail.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "common/mail/mail_delivery.h"
#include "common/mail/smtp_dialogue.h"
#include "common/mail/smtp_transport.h"
#include "support/smtp_sink.h"

namespace {

using namespace std::chrono_literals;

// ---- A transport that plays back the server's side from a text ----

class ScriptedTransport : public SmtpTransport {
 public:
  explicit ScriptedTransport(std::string replies, int writesBeforeHangUp = -1)
      : replies_(std::move(replies)), writesLeft_(writesBeforeHangUp) {}

  IoResult write(std::string_view bytes, SmtpClock::time_point) override {
    if (writesLeft_ == 0) return IoResult{IoStatus::Closed, 0};
    --writesLeft_;
    written += bytes;
    return IoResult{};
  }
  IoResult readLine(Text& line, SmtpClock::time_point) override {
    if (replies_.empty()) return IoResult{IoStatus::Closed, 0};
    size_t end = replies_.find("\r\n");
    if (end == std::string::npos) end = replies_.size();
    line = Text(replies_.substr(0, end));
    replies_.erase(0, std::min(end + 2, replies_.size()));
    return IoResult{};
  }

  std::string written;

 private:
  std::string replies_;
  int writesLeft_;
};

MailMessage sampleMail() {
  return MailMessage{"mail.example.org",
                     "shop@example.org",
                     "ana@example.org",
                     "New order",
                     "Hello\n.\n..two\nend",
                     "",
                     1};
}

// The header lines of a mail up to the empty line; `date` as a Date line.
std::string mailHeader(const std::string& from, const std::string& to, const std::string& subject,
                       const std::string& date = "Thu, 01 Jan 1970 00:00:01 +0000") {
  return "From: " + from + "\r\nTo: " + to + "\r\nSubject: " + subject + "\r\nDate: " + date +
         "\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n"
         "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
}

// What a server received, with the Date line of a mail sent now as it is
// for the date of 1 second.
std::string fixedDate(std::string received) {
  size_t at = received.find("\r\nDate: ");
  if (at == std::string::npos) return received;
  size_t end = received.find("\r\n", at + 2);
  return received.replace(at + 8, end - at - 8, "Thu, 01 Jan 1970 00:00:01 +0000");
}

const std::string kAllAccepted =
    "220 mail.example.org ready\r\n250 hello\r\n250 sender ok\r\n250 recipient ok\r\n"
    "354 go ahead\r\n250 queued\r\n221 bye\r\n";

const std::string kFullDialogue =
    "HELO mail.example.org\r\nMAIL FROM: <shop@example.org>\r\nRCPT TO: <ana@example.org>\r\n"
    "DATA\r\n" +
    mailHeader("shop@example.org", "ana@example.org", "New order") +
    "Hello\r\n..\r\n...two\r\nend\r\n"
    ".\r\nQUIT\r\n";

TEST(SmtpDialogue, AcceptedMailFollowsTheProtocolLineByLine) {
  ScriptedTransport transport(kAllAccepted);
  SmtpOutcome outcome = runSmtpDialogue(transport, sampleMail());
  EXPECT_TRUE(outcome.sent);
  EXPECT_EQ(transport.written, kFullDialogue);
}

TEST(SmtpDialogue, MultiLineRepliesAreReadToTheirLastLine) {
  ScriptedTransport transport(
      "220-mail.example.org\r\n220-more greeting\r\n220 ready\r\n250-hello\r\n250-SIZE 1000\r\n"
      "250 HELP\r\n250 ok\r\n251 forwarded\r\n354 go\r\n250 queued\r\n221 bye\r\n");
  SmtpOutcome outcome = runSmtpDialogue(transport, sampleMail());
  EXPECT_TRUE(outcome.sent);
  EXPECT_EQ(transport.written, kFullDialogue);
}

TEST(SmtpDialogue, RefusalAtEachStepStopsTheDialogueUnsent) {
  const std::vector<std::string> replies = {"220 ready", "250 hello", "250 ok",
                                            "250 ok",    "354 go",    "250 queued"};
  // The command each reply after the greeting answers.
  const std::vector<std::string> commands = {
      "HELO mail.example.org\r\n", "MAIL FROM: <shop@example.org>\r\n",
      "RCPT TO: <ana@example.org>\r\n", "DATA\r\n", messageData(sampleMail()).str()};
  for (size_t refused = 0; refused < replies.size(); ++refused) {
    std::string script, written;
    for (size_t i = 0; i < refused; ++i) {
      script += replies[i] + "\r\n";
      written += commands[i];
    }
    std::string refusal =
        (refused % 2 ? "554 5.7.1 refused at " : "451 4.3.0 later ") + std::to_string(refused);
    ScriptedTransport transport(script + refusal + "\r\n");
    SmtpOutcome outcome = runSmtpDialogue(transport, sampleMail());
    EXPECT_FALSE(outcome.sent) << refused;
    EXPECT_EQ(outcome.reply, refusal);
    EXPECT_EQ(transport.written, written) << refused;
  }
}

TEST(SmtpDialogue, UnexpectedOrMalformedReplyIsARefusal) {
  ScriptedTransport wrongKind("220 ready\r\n354 what\r\n");
  SmtpOutcome outcome = runSmtpDialogue(wrongKind, sampleMail());
  EXPECT_FALSE(outcome.sent);
  EXPECT_EQ(outcome.reply, "354 what");
  ScriptedTransport garbage("220 ready\r\nhello there\r\n");
  outcome = runSmtpDialogue(garbage, sampleMail());
  EXPECT_FALSE(outcome.sent);
  EXPECT_EQ(outcome.reply, "hello there");
}

TEST(SmtpDialogue, ConnectionClosedEarlyIsUnsentWithoutReply) {
  ScriptedTransport transport("220 ready\r\n250 hello\r\n");
  SmtpOutcome outcome = runSmtpDialogue(transport, sampleMail());
  EXPECT_FALSE(outcome.sent);
  EXPECT_EQ(outcome.reply, "");
  EXPECT_EQ(outcome.code, 0);
}

TEST(SmtpDialogue, ReplyBeforeAHangUpIsReported) {
  ScriptedTransport transport("220 ready\r\n421 4.4.2 timeout, closing\r\n", 0);
  SmtpOutcome outcome = runSmtpDialogue(transport, sampleMail());
  EXPECT_FALSE(outcome.sent);
  EXPECT_EQ(outcome.reply, "421 4.4.2 timeout, closing");
}

TEST(SmtpDialogue, LineBreaksInAddressesAndSubjectBecomeSpaces) {
  ScriptedTransport transport(kAllAccepted);
  MailMessage mail{"m\r\nx", "a@b\r\nRCPT TO: <c@d>", "e@f\nDATA", "Hi\r\nBcc: g@h", "body", "", 1};
  runSmtpDialogue(transport, mail);
  EXPECT_EQ(transport.written,
            "HELO m  x\r\nMAIL FROM: <a@b  RCPT TO: <c@d>>\r\nRCPT TO: <e@f DATA>\r\nDATA\r\n" +
                mailHeader("a@b  RCPT TO: <c@d>", "e@f DATA", "Hi  Bcc: g@h") +
                "body\r\n.\r\nQUIT\r\n");
}

TEST(SmtpDialogue, MessageDataLineEndsAndDots) {
  struct Row {
    const char* body;
    const char* data;
  } rows[] = {
      {"", "\r\n.\r\n"},
      {"a\n", "a\r\n\r\n.\r\n"},
      {"a\r\nb\rc", "a\r\nb=0Dc\r\n.\r\n"},  // a lone CR ends no line
      {".\n.x\nx.\n\n.", "..\r\n..x\r\nx.\r\n\r\n..\r\n.\r\n"},
  };
  for (const Row& row : rows) {
    MailMessage mail{"m", "s", "r", "", row.body, "", 1};
    EXPECT_EQ(messageData(mail), mailHeader("s", "r", "") + row.data) << row.body;
  }
}

// ---- Error names and settings ----

TEST(SocketErrors, ErrnoAndResolverResultsMapToTheirNames) {
  EXPECT_EQ(socketErrorFromErrno(EINTR), 10004);
  EXPECT_EQ(socketErrorFromErrno(EACCES), 10013);
  EXPECT_EQ(socketErrorFromErrno(EWOULDBLOCK), 10035);
  EXPECT_EQ(socketErrorFromErrno(EAFNOSUPPORT), 10047);
  EXPECT_EQ(socketErrorFromErrno(ENOBUFS), 10055);
  EXPECT_EQ(socketErrorFromErrno(ECONNREFUSED), 0);
  EXPECT_EQ(socketErrorFromErrno(ETIMEDOUT), 0);
  EXPECT_EQ(socketErrorFromResolver(EAI_NONAME, 0), 11001);
  EXPECT_EQ(socketErrorFromResolver(EAI_AGAIN, 0), 11002);
  EXPECT_EQ(socketErrorFromResolver(EAI_FAIL, 0), 11003);
  EXPECT_EQ(socketErrorFromResolver(EAI_NODATA, 0), 11004);
  EXPECT_EQ(socketErrorFromResolver(EAI_SYSTEM, EMFILE), 10024);
  EXPECT_EQ(socketErrorFromResolver(EAI_SERVICE, 0), 0);
}

TEST(MailServerSetting, HostAndOptionalPort) {
  auto check = [](const char* setting, const char* host, const char* port, bool valid) {
    MailServerAddress address = parseMailServer(setting);
    EXPECT_EQ(address.host, host) << setting;
    EXPECT_EQ(address.port, port) << setting;
    EXPECT_EQ(address.valid, valid) << setting;
  };
  check("mail.example.org", "mail.example.org", "25", true);
  check("127.0.0.1:2525", "127.0.0.1", "2525", true);
  check("mail:", "mail", "25", true);
  check("[::1]:2525", "::1", "2525", true);
  check("[::1]", "::1", "25", true);
  check("::1", "::1", "25", true);
  check("mail:smtp", "mail", "25", false);
  check("mail:70000", "mail", "25", false);
  check("mail:0", "mail", "25", false);
  check("[::1]x", "::1", "25", false);
}

// ---- deliverMail over real sockets ----

// A server that answers from a script: it sends replies[0] on accepting and
// after each reply reads one command (after a 354 reply: the data through its
// "."). After the last command it hangs up, or with `stall` waits for the
// client to do so. Every wait is bounded.
class ScriptedServer {
 public:
  explicit ScriptedServer(std::vector<std::string> replies, bool stall = false,
                          int family = AF_INET)
      : replies_(std::move(replies)), stall_(stall) {
    listener_ = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_storage address{};
    socklen_t length;
    if (family == AF_INET6) {
      auto* six = reinterpret_cast<sockaddr_in6*>(&address);
      six->sin6_family = AF_INET6;
      six->sin6_addr = in6addr_loopback;
      length = sizeof *six;
    } else {
      auto* four = reinterpret_cast<sockaddr_in*>(&address);
      four->sin_family = AF_INET;
      four->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      length = sizeof *four;
    }
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener_, 1) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    port_ = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                     : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~ScriptedServer() { finish(); }

  int port() const { return port_; }
  // Everything the client sent, once the conversation is over.
  const std::string& finish() {
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
    listener_ = -1;
    return received_;
  }

 private:
  static bool readable(int socket) {
    pollfd descriptor{socket, POLLIN, 0};
    return poll(&descriptor, 1, 10000) > 0;
  }

  // Reads up to and including `end`; false when the client hung up.
  bool readUntil(int connection, const std::string& end) {
    std::string part;
    while (part.size() < end.size() || part.compare(part.size() - end.size(), end.size(), end)) {
      char c;
      if (!readable(connection) || recv(connection, &c, 1, 0) != 1) return false;
      part += c;
      received_ += c;
    }
    return true;
  }

  void serve() {
    if (!readable(listener_)) return;
    int connection = accept(listener_, nullptr, nullptr);
    if (connection < 0) return;
    bool open = true;
    for (size_t i = 0; open && i < replies_.size(); ++i) {
      send(connection, replies_[i].data(), replies_[i].size(), MSG_NOSIGNAL);
      open = readUntil(connection, replies_[i].rfind("354", 0) == 0 ? "\r\n.\r\n" : "\r\n");
    }
    char c;
    while (stall_ && readable(connection) && recv(connection, &c, 1, 0) == 1) received_ += c;
    close(connection);
  }

  std::vector<std::string> replies_;
  bool stall_;
  int listener_ = -1;
  int port_ = 0;
  std::string received_;
  std::thread thread_;
};

class MailTest : public ::testing::Test {
 protected:
  MailTest() { setSmtpTimeout(10s); }
  ~MailTest() override { setSmtpTimeout(30s); }

  // Delivers one mail to `server`: "sent", the server's refusing reply, or
  // the error code of a connection that failed ("code 11001").
  static std::string send(const std::string& server, const std::string& sender,
                          const std::string& recipient, const std::string& subject,
                          const std::string& body) {
    MailSettings settings{Text(server), Text(), Text(), Text(), Text()};
    SmtpOutcome outcome =
        deliverMail(settings, MailMessage{Text(), sender, recipient, subject, body, Text(), 0});
    if (outcome.sent) return "sent";
    if (!outcome.reply.empty()) return outcome.reply.str();
    return "code " + std::to_string(outcome.code);
  }
  static std::string loopback(int port) { return "127.0.0.1:" + std::to_string(port); }
};

TEST_F(MailTest, RealServerReceivesTheMailExactly) {
  SmtpSink sink;
  ASSERT_NE(sink.port(), 0);
  EXPECT_EQ(send(loopback(sink.port()), "shop@example.org", "ana@example.org", "New order ORD-1",
                 "Dear Ana,\n.\n.hidden\n..two\r\nlast"),
            "sent");
  std::vector<std::string> mails = sink.mails(1);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(fixedDate(mails[0]),
            "HELO 127.0.0.1\r\nMAIL FROM: <shop@example.org>\r\nRCPT TO: <ana@example.org>\r\n"
            "DATA\r\n" +
                mailHeader("shop@example.org", "ana@example.org", "New order ORD-1") +
                "Dear Ana,\r\n.\r\n.hidden\r\n..two\r\nlast\r\n");
}

TEST_F(MailTest, EmptySubjectAndBodyStillSendTheirLines) {
  SmtpSink sink;
  ASSERT_NE(sink.port(), 0);
  EXPECT_EQ(send(loopback(sink.port()), "a@example.org", "b@example.org", "", ""), "sent");
  std::vector<std::string> mails = sink.mails(1);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(fixedDate(mails[0]),
            "HELO 127.0.0.1\r\nMAIL FROM: <a@example.org>\r\nRCPT TO: <b@example.org>\r\n"
            "DATA\r\n" +
                mailHeader("a@example.org", "b@example.org", "") + "\r\n");
}

TEST(LocalSender, KalderAtTheLocalHostsCanonicalName) {
  char name[256] = {};
  gethostname(name, sizeof name - 1);
  std::string host = name;
  addrinfo hints{};
  hints.ai_flags = AI_CANONNAME;
  addrinfo* found = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &found) == 0) {
    if (found->ai_canonname && *found->ai_canonname) host = found->ai_canonname;
    freeaddrinfo(found);
  }
  EXPECT_EQ(localSenderAddress(), Text("kalder@" + host));
}

TEST_F(MailTest, SubjectCannotAddHeaderLines) {
  SmtpSink sink;
  ASSERT_NE(sink.port(), 0);
  EXPECT_EQ(send(loopback(sink.port()), "a@example.org", "b@example.org",
                 "Hi\r\nBcc: evil@example.org", "t"),
            "sent");
  std::vector<std::string> mails = sink.mails(1);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_NE(mails[0].find("\r\nSubject: Hi  Bcc: evil@example.org\r\nDate: "), std::string::npos);
}

TEST_F(MailTest, RecipientRefusedByTheRealServerIsItsReply) {
  SmtpSink sink("nobody");
  ASSERT_NE(sink.port(), 0);
  EXPECT_EQ(send(loopback(sink.port()), "a@example.org", "nobody@example.org", "s", "t"),
            "550 5.1.1 Recipient refused");
  EXPECT_TRUE(sink.mails(0).empty());
}

TEST_F(MailTest, RecipientRefusedByScriptedServerIsItsReplyAsSent) {
  ScriptedServer server({"220 ready\r\n", "250 hello\r\n", "250 ok\r\n",
                         "550 5.1.1 <nobody@example.org>: \"unknown\" & gone\r\n"},
                        true);
  EXPECT_EQ(send(loopback(server.port()), "a@example.org", "nobody@example.org", "s", "t"),
            "550 5.1.1 <nobody@example.org>: \"unknown\" & gone");
  EXPECT_EQ(server.finish(),
            "HELO 127.0.0.1\r\nMAIL FROM: <a@example.org>\r\nRCPT TO: <nobody@example.org>\r\n");
}

TEST_F(MailTest, GreetingOf421IsTheReply) {
  ScriptedServer server({"421 4.3.2 Service not available, closing channel\r\n"});
  EXPECT_EQ(send(loopback(server.port()), "a@example.org", "b@example.org", "s", "t"),
            "421 4.3.2 Service not available, closing channel");
  EXPECT_EQ(server.finish(), "");
}

TEST_F(MailTest, ServerThatNeverAnswersTimesOut) {
  setSmtpTimeout(200ms);
  ScriptedServer server({}, true);
  EXPECT_EQ(send(loopback(server.port()), "a@example.org", "b@example.org", "s", "t"), "code 0");
}

TEST_F(MailTest, ConnectionClosedMidDialogueIsNotSent) {
  ScriptedServer server({"220 ready\r\n", "250 hello\r\n"});
  EXPECT_EQ(send(loopback(server.port()), "a@example.org", "b@example.org", "s", "t"), "code 0");
}

TEST_F(MailTest, ConnectionClosedAfterTheDataIsNotSent) {
  ScriptedServer server(
      {"220 ready\r\n", "250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n"});
  EXPECT_EQ(send(loopback(server.port()), "a@example.org", "b@example.org", "s", "t"), "code 0");
  EXPECT_EQ(fixedDate(server.finish()),
            "HELO 127.0.0.1\r\nMAIL FROM: <a@example.org>\r\nRCPT TO: <b@example.org>\r\nDATA\r\n" +
                mailHeader("a@example.org", "b@example.org", "s") + "t\r\n.\r\n");
}

TEST_F(MailTest, ScriptedServerSeesDotStuffingAndQuit) {
  ScriptedServer server({"220-one\r\n220 two\r\n", "250-a\r\n250 b\r\n", "250 ok\r\n", "250 ok\r\n",
                         "354 go\r\n", "250 queued\r\n", "221 bye\r\n"});
  EXPECT_EQ(send(loopback(server.port()), "a@example.org", "b@example.org", "s", ".\n.x\ny"),
            "sent");
  EXPECT_EQ(fixedDate(server.finish()),
            "HELO 127.0.0.1\r\nMAIL FROM: <a@example.org>\r\nRCPT TO: <b@example.org>\r\nDATA\r\n" +
                mailHeader("a@example.org", "b@example.org", "s") +
                "..\r\n..x\r\ny\r\n.\r\nQUIT\r\n");
}

TEST_F(MailTest, IPv6LoopbackServer) {
  ScriptedServer server({"220 ready\r\n", "250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n",
                         "250 queued\r\n", "221 bye\r\n"},
                        false, AF_INET6);
  if (server.port() == 0) GTEST_SKIP() << "no IPv6 loopback here";
  EXPECT_EQ(send("[::1]:" + std::to_string(server.port()), "a@b", "c@d", "s", "t"), "sent");
  EXPECT_NE(server.finish().find("HELO ::1\r\n"), std::string::npos);
}

TEST_F(MailTest, RefusedConnectionIsNotSent) {
  // A bound socket that does not listen refuses connections to its port.
  int reserved = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(reserved, reinterpret_cast<sockaddr*>(&address), length), 0);
  getsockname(reserved, reinterpret_cast<sockaddr*>(&address), &length);
  EXPECT_EQ(send(loopback(ntohs(address.sin_port)), "a@b", "c@d", "s", "t"), "code 0");
  close(reserved);
}

TEST_F(MailTest, EmptyMailServerIsNamed) {
  EXPECT_EQ(send("", "a@b", "c@d", "s", "t"), "Mail Server is unknown");
}

TEST_F(MailTest, UnknownHostGivesTheResolversCode) {
  std::string outcome = send("nosuchhost.invalid", "a@b", "c@d", "s", "t");
  // Without a name server the resolver cannot tell and says "try again".
  EXPECT_TRUE(outcome == "code 11001" || outcome == "code 11002") << outcome;
}

TEST_F(MailTest, PortThatIsNoNumberIsNotSent) {
  EXPECT_EQ(send("127.0.0.1:smtp", "a@b", "c@d", "s", "t"), "code 0");
}

}  // namespace
