// The SMTP dialogue: greeting, HELO, MAIL FROM, RCPT TO, DATA, the message
// and QUIT, each command answered by a (possibly multi-line) reply whose first
// digit must be the expected one.
#include "common/mail/smtp_dialogue.h"

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

Reply readReply(SmtpTransport& transport) {
  SmtpClock::time_point deadline = SmtpClock::now() + smtpTimeout();
  Reply reply;
  for (int i = 0; i < kMaxReplyLines; ++i) {
    reply.io = transport.readLine(reply.line, deadline);
    if (!reply.io.ok()) return reply;
    if (!startsWithCode(reply.line)) break;
    if (reply.line.length() > 3 && reply.line[3] == '-') continue;
    reply.kind = reply.line[0];
    return reply;
  }
  reply.kind = '?';
  return reply;
}

class Dialogue {
 public:
  explicit Dialogue(SmtpTransport& transport) : transport_(transport) {}
  // Sends `bytes` (nothing for the greeting) and reads the reply, which must
  // begin with `expected`. False, with the outcome filled in, otherwise.
  bool step(std::string_view bytes, char expected);
  void quit();
  SmtpOutcome& outcome() { return outcome_; }

 private:
  void failedWrite(const IoResult& written);

  SmtpTransport& transport_;
  SmtpOutcome outcome_;
};

bool Dialogue::step(std::string_view bytes, char expected) {
  if (!bytes.empty()) {
    IoResult written = transport_.write(bytes, SmtpClock::now() + smtpTimeout());
    if (!written.ok()) {
      failedWrite(written);
      return false;
    }
  }
  Reply reply = readReply(transport_);
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
  Reply reply = readReply(transport_);
  if (reply.io.ok() && (reply.kind == '4' || reply.kind == '5')) outcome_.reply = reply.line;
}

// The mail is accepted by now; the reply to QUIT changes nothing.
void Dialogue::quit() {
  if (transport_.write("QUIT\r\n", SmtpClock::now() + smtpTimeout()).ok()) readReply(transport_);
}

}  // namespace

Text smtpLine(std::string_view value) {
  Text line(value);
  line.replaceChar('\r', ' ');
  line.replaceChar('\n', ' ');
  return line;
}

Text messageData(const MailMessage& mail) {
  Text data = "From: " + smtpLine(mail.sender) + "\r\nSubject: " + smtpLine(mail.subject) + "\r\n";
  if (!mail.messageId.empty()) data += "Message-ID: " + smtpLine(mail.messageId) + "\r\n";
  data += "\r\n";
  std::string_view body = mail.body;
  bool lineStart = true;
  for (size_t i = 0; i < body.size(); ++i) {
    char c = body[i];
    if (lineStart && c == '.') data += '.';
    lineStart = c == '\n' || c == '\r';
    if (!lineStart) {
      data += c;
      continue;
    }
    data += "\r\n";
    if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n') ++i;
  }
  data += "\r\n.\r\n";
  return data;
}

SmtpOutcome runSmtpDialogue(SmtpTransport& transport, const MailMessage& mail) {
  Dialogue dialogue(transport);
  bool accepted = dialogue.step("", '2') &&
                  dialogue.step("HELO " + smtpLine(mail.helo) + "\r\n", '2') &&
                  dialogue.step("MAIL FROM: <" + smtpLine(mail.sender) + ">\r\n", '2') &&
                  dialogue.step("RCPT TO: <" + smtpLine(mail.recipient) + ">\r\n", '2') &&
                  dialogue.step("DATA\r\n", '3') && dialogue.step(messageData(mail), '2');
  if (!accepted) return dialogue.outcome();
  dialogue.quit();
  dialogue.outcome().sent = true;
  return dialogue.outcome();
}
