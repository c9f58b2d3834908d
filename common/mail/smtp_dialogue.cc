// The SMTP dialogue: greeting, HELO, MAIL FROM, RCPT TO, DATA, the message
// and QUIT, each command answered by a (possibly multi-line) reply whose first
// digit must be the expected one.
#include "common/mail/smtp_dialogue.h"

#include <ctime>

#include "common/mail/mail_text.h"

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
