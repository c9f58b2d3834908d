// Mail notification: one mail per call, delivered to the settings' mail server
// over SMTP. Every failure ends the request with a mail error page.
#pragma once

#include "common/settings/cgi_application.h"

namespace messages {
inline constexpr MessageTable kMailServerUnknown{
    "Mail Server is unknown", "Stre&zcaron;nik za elektronsko po&scaron;to je neznan"};
inline constexpr MessageTable kMailError{"Mail Error: %s",
                                         "Napaka pri po&scaron;iljanju po&scaron;te: %s"};
inline constexpr MessageTable kUnknownError{"Unknown Error", "Neznana napaka"};
inline constexpr MessageTable kOutboxUnwritable{
    "the notification cannot be written to the outbox",
    "obvestila ni mogo&ccaron;e zapisati v odhodno po&scaron;to"};
}  // namespace messages

// "kalder@" and the local host's canonical name, or its plain name when the
// name does not resolve ("localhost" when it has none): the sender of a
// mail whose template names none.
Text localSenderAddress();

// Sends one mail; returns only when the server accepted it. The mail server
// setting may end in ":" and a port (25 otherwise). An empty sender becomes
// "kalder@" and the local host's name. CR and LF in the sender, recipient and
// subject become spaces. A refusal, a lost connection or a server silent for
// smtpTimeout() ends the request with the mail error page.
void sendMail(CgiApplication& application, Text sender, Text recipient, Text subject, Text body);
// Ends the request with the mail error page for a Windows Sockets error code.
[[noreturn]] void reportSocketError(CgiApplication& application, int code);
// The name of a Windows Sockets error code ("WSAHOST_NOT_FOUND"), or nullptr
// for a code without one.
const char* socketErrorName(int code);
