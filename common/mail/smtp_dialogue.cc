// The SMTP dialogue: greeting, HELO (or EHLO, STARTTLS and AUTH), MAIL FROM,
// RCPT TO, DATA, the message and QUIT, each command answered by a (possibly
// multi-line) reply whose first digit must be the expected one.
#include "common/mail/smtp_dialogue.h"

#include <ctime>
#include <vector>

#include "common/mail/mail_text.h"
#include "common/text/base64.h"

namespace {

// A server that keeps sending continuation lines is not answering.
constexpr int kMaxReplyLines = 100;

struct Reply {
  IoResult io;
  Text line;      // the last line read
  char kind = 0;  // first digit of the reply code; '?' for a malformed reply
};

bool startsWithCode(const Text& line) {
  if (line.length() < 3) return false;
  for (long i = 0; i < 3; ++i)
    if (line[i] < '0' || line[i] > '9') return false;
  return line.length() == 3 || line[3] == ' ' || line[3] == '-';
}

// Reads one reply; `lines`, when given, receives each of its lines.
Reply readReply(SmtpTransport& transport, std::vector<Text>* lines = nullptr) {
  SmtpClock::time_point deadline = SmtpClock::now() + smtpTimeout();
  Reply reply;
  for (int i = 0; i < kMaxReplyLines; ++i) {
    reply.io = transport.readLine(reply.line, deadline);
    if (!reply.io.ok()) return reply;
    if (!startsWithCode(reply.line)) break;
    if (lines) lines->push_back(reply.line);
    if (reply.line.length() > 3 && reply.line[3] == '-') continue;
    reply.kind = reply.line[0];
    return reply;
  }
  reply.kind = '?';
  return reply;
}

// What an EHLO reply offers, of what this client uses.
struct Extensions {
  bool startTls = false;
  bool plain = false;
  bool login = false;
};

// The words of a line after its code ("250-AUTH PLAIN LOGIN"), in capitals.
std::vector<Text> wordsOf(const Text& line) {
  std::vector<Text> words;
  Text word;
  for (long i = 4; i <= line.length(); ++i) {
    if (i == line.length() || line[i] == ' ' || line[i] == '=') {
      if (!word.empty()) words.push_back(word);
      word = Text();
    } else {
      word += line[i];
    }
  }
  for (Text& each : words) each.toUpper();
  return words;
}

// The first line names the server; each later one an extension. "AUTH=" is
// how older servers spelled "AUTH ".
Extensions extensionsOf(const std::vector<Text>& lines) {
  Extensions offered;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::vector<Text> words = wordsOf(lines[i]);
    if (words.empty()) continue;
    if (words[0] == "STARTTLS") offered.startTls = true;
    if (words[0] != "AUTH") continue;
    for (const Text& mechanism : words) {
      offered.plain = offered.plain || mechanism == "PLAIN";
      offered.login = offered.login || mechanism == "LOGIN";
    }
  }
  return offered;
}

class Dialogue {
 public:
  Dialogue(SmtpTransport& transport, const MailMessage& mail, const SmtpSecurity& security)
      : transport_(&transport), mail_(mail), security_(security) {}
  // Greeting to the server's acceptance of the recipient.
  bool open();
  bool sendMessage() { return step("DATA\r\n", '3') && step(messageData(mail_), '2'); }
  void quit();
  SmtpOutcome& outcome() { return outcome_; }

 private:
  // Sends `bytes` (nothing for the greeting) and reads the reply, which must
  // begin with `expected`; `lines`, when given, receives the reply's lines.
  // False, with the outcome filled in, otherwise.
  bool step(std::string_view bytes, char expected, std::vector<Text>* lines = nullptr);
  bool greet();
  bool ehlo(Extensions& offered);
  bool heloAfterRefusedEhlo();
  bool startTls(Extensions& offered);
  bool logIn(const Extensions& offered);
  bool refuse(const char* reason);
  void failedWrite(const IoResult& written);

  SmtpTransport* transport_;
  const MailMessage& mail_;
  const SmtpSecurity& security_;
  bool encrypted_ = false;
  SmtpOutcome outcome_;
};

bool Dialogue::open() {
  return step("", '2') && greet() && step("MAIL FROM: <" + smtpLine(mail_.sender) + ">\r\n", '2') &&
         step("RCPT TO: <" + smtpLine(mail_.recipient) + ">\r\n", '2');
}

// Plain settings keep the HELO of old; anything secured speaks ESMTP.
bool Dialogue::greet() {
  if (security_.mode == MailSecurity::None && security_.user.empty())
    return step("HELO " + smtpLine(mail_.helo) + "\r\n", '2');
  encrypted_ = security_.mode == MailSecurity::Tls;
  Extensions offered;
  if (!ehlo(offered)) return heloAfterRefusedEhlo();
  if (security_.mode == MailSecurity::StartTls || security_.mode == MailSecurity::StartTlsRequired)
    if (!startTls(offered)) return false;
  return security_.user.empty() || logIn(offered);
}

bool Dialogue::ehlo(Extensions& offered) {
  std::vector<Text> lines;
  if (!step("EHLO " + smtpLine(mail_.helo) + "\r\n", '2', &lines)) return false;
  offered = extensionsOf(lines);
  return true;
}

// A server of old that knows no EHLO offers no STARTTLS either: where plain
// text is allowed, it gets the HELO it knows.
bool Dialogue::heloAfterRefusedEhlo() {
  bool refused = outcome_.reply.startsWith("5");
  if (!refused || security_.mode != MailSecurity::StartTls || !security_.user.empty()) return false;
  return step("HELO " + smtpLine(mail_.helo) + "\r\n", '2');
}

// What the server offered before TLS may have been changed by anyone on the
// way: after the handshake it is asked again.
bool Dialogue::startTls(Extensions& offered) {
  if (!offered.startTls)
    return security_.mode == MailSecurity::StartTls || refuse(kStartTlsNotOffered);
  if (!step("STARTTLS\r\n", '2')) return false;
  Text error;
  SmtpTransport* secured = security_.startTls ? security_.startTls(error) : nullptr;
  if (!secured) {
    outcome_.reply = error;
    return false;
  }
  transport_ = secured;
  encrypted_ = true;
  return ehlo(offered);
}

bool Dialogue::logIn(const Extensions& offered) {
  if (!encrypted_) return refuse(kLoginNeedsTls);
  const Text& user = security_.user;
  if (offered.plain)
    return step("AUTH PLAIN " + base64Encode('\0' + user + '\0' + security_.password) + "\r\n",
                '2');
  if (!offered.login) return refuse(kNoLoginMechanism);
  return step("AUTH LOGIN\r\n", '3') && step(base64Encode(user) + "\r\n", '3') &&
         step(base64Encode(security_.password) + "\r\n", '2');
}

bool Dialogue::refuse(const char* reason) {
  outcome_.reply = reason;
  outcome_.code = 0;
  return false;
}

bool Dialogue::step(std::string_view bytes, char expected, std::vector<Text>* lines) {
  if (!bytes.empty()) {
    IoResult written = transport_->write(bytes, SmtpClock::now() + smtpTimeout());
    if (!written.ok()) {
      failedWrite(written);
      return false;
    }
  }
  Reply reply = readReply(*transport_, lines);
  if (!reply.io.ok()) {
    outcome_.code = reply.io.code;
    outcome_.reply = Text();
    return false;
  }
  outcome_.reply = reply.line;
  return reply.kind == expected;
}

// A server that hangs up often said why first: report its reply if it did.
void Dialogue::failedWrite(const IoResult& written) {
  outcome_.code = written.code;
  outcome_.reply = Text();
  if (written.status != IoStatus::Closed) return;
  Reply reply = readReply(*transport_);
  if (reply.io.ok() && (reply.kind == '4' || reply.kind == '5')) outcome_.reply = reply.line;
}

// The mail is accepted by now; the reply to QUIT changes nothing.
void Dialogue::quit() {
  if (transport_->write("QUIT\r\n", SmtpClock::now() + smtpTimeout()).ok()) readReply(*transport_);
}

// A sender "Name <address>" whose name is not ASCII gets the name as RFC 2047
// words; an address is left as it is.
Text senderHeader(std::string_view sender) {
  Text line = smtpLine(sender);
  long open = line.findChar('<');
  if (open <= 0) return line;
  Text name = line.substring(0, open);
  while (name.last() == ' ') name.erase(name.length() - 1, 1);
  return encodedWords(name.view()) + " " + line.substring(open);
}

}  // namespace

Text smtpLine(std::string_view value) {
  Text line(value);
  line.replaceChar('\r', ' ');
  line.replaceChar('\n', ' ');
  return line;
}

Text messageData(const MailMessage& mail) {
  std::time_t date = mail.date != 0 ? static_cast<std::time_t>(mail.date) : std::time(nullptr);
  Text data = "From: " + senderHeader(mail.sender) + "\r\nTo: " + smtpLine(mail.recipient) +
              "\r\nSubject: " + encodedWords(smtpLine(mail.subject)) +
              "\r\nDate: " + mailDate(date) + "\r\n";
  if (!mail.messageId.empty()) data += "Message-ID: " + smtpLine(mail.messageId) + "\r\n";
  data +=
      "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n"
      "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
  Text body = quotedPrintable(mail.body);
  // The lines are CR LF already; a line that begins with "." gets another.
  bool lineStart = true;
  for (char c : body.view()) {
    if (lineStart && c == '.') data += '.';
    data += c;
    lineStart = c == '\n';
  }
  data += "\r\n.\r\n";
  return data;
}

SmtpOutcome runSmtpDialogue(SmtpTransport& transport, const MailMessage& mail,
                            const SmtpSecurity& security) {
  Dialogue dialogue(transport, mail, security);
  // A login without TLS is refused before a byte is sent.
  if (security.mode == MailSecurity::None && !security.user.empty()) {
    dialogue.outcome().reply = kLoginNeedsTls;
    return dialogue.outcome();
  }
  if (!dialogue.open() || !dialogue.sendMessage()) return dialogue.outcome();
  dialogue.quit();
  dialogue.outcome().sent = true;
  return dialogue.outcome();
}
