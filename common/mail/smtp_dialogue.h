// The SMTP dialogue of one mail over any SmtpTransport: each command waits
// for the server's reply, and a refusal or a lost connection ends it unsent.
// Optionally it starts TLS (STARTTLS) and logs in (AUTH PLAIN or LOGIN).
#pragma once

#include <functional>
#include <string_view>

#include "common/mail/smtp_transport.h"
#include "common/text/text.h"

struct MailMessage {
  Text helo;  // the name given after HELO
  Text sender;
  Text recipient;
  Text subject;
  Text body;           // line feeds as line ends; sender, subject and body in UTF-8
  Text messageId;      // "<...>": a Message-ID line, kept by every retry; empty: none
  long long date = 0;  // seconds since the epoch for the Date line; 0: now
};

// How a dialogue ended. Sent, `reply` is the server's answer to the message;
// unsent, the server's line that refused the mail, or empty when the
// connection failed first; `code` is then the Windows Sockets number of the
// failure (0 when it has none).
struct SmtpOutcome {
  bool sent = false;
  Text reply;
  int code = 0;
};

// How mail travels to the server (the mailSecurity setting): in plain text,
// encrypted after STARTTLS when the server offers it, only after STARTTLS,
// or encrypted from the first byte (the transport is TLS already).
enum class MailSecurity { None, StartTls, StartTlsRequired, Tls };

struct SmtpSecurity {
  MailSecurity mode = MailSecurity::None;
  Text user;  // a login when not empty; it is only ever sent encrypted
  Text password;
  // Called when the server agreed to STARTTLS: runs the handshake and gives
  // the transport the dialogue goes on with, or nullptr and why in `error`.
  std::function<SmtpTransport*(Text& error)> startTls;
};

// Replies of the client's own, for a security setting the server cannot meet.
inline constexpr const char* kStartTlsNotOffered = "STARTTLS: not offered by the server";
inline constexpr const char* kLoginNeedsTls =
    "Login not sent: the connection is not encrypted (mailSecurity)";
inline constexpr const char* kNoLoginMechanism =
    "Login not sent: the server offers neither AUTH PLAIN nor AUTH LOGIN";

// The value with every CR and LF replaced by a space, so it stays one line.
Text smtpLine(std::string_view value);
// What follows DATA: the header (From, To, Subject, Date, Message-ID when
// there is one, MIME-Version, Content-Type text/plain in UTF-8,
// Content-Transfer-Encoding quoted-printable), an empty line, the body
// quoted-printable with CR LF line ends and a second "." before a line's
// leading ".", and the line holding only ".". Every byte is 7-bit.
Text messageData(const MailMessage& mail);
// Without security and login the dialogue opens with HELO; otherwise with
// EHLO, repeated after STARTTLS. A login needs TLS in effect: without it
// nothing of the login (nor the mail) is sent.
SmtpOutcome runSmtpDialogue(SmtpTransport& transport, const MailMessage& mail,
                            const SmtpSecurity& security = {});
