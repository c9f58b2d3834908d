// deliverMail: one mail to the configured mail server with the configured
// security (plain, STARTTLS or TLS, and an optional login), its outcome
// returned rather than shown, for the outbox.
#pragma once

#include <optional>
#include <string_view>

#include "common/mail/smtp_dialogue.h"
#include "common/settings/settings_file.h"

// The mail settings of "kalder.ini".
struct MailSettings {
  Text server;    // mailServer: a host, optionally followed by ":port"
  Text security;  // mailSecurity: none (or empty), starttls, starttls-required, tls
  Text user;      // mailUser: an SMTP login when set
  Text password;  // mailPassword
  Text caFile;    // mailCaFile: the CAs to trust instead of the system's store
};
MailSettings mailSettings(const SystemSettings& settings);

// The mailSecurity setting, in any letter case; nullopt for an unknown one.
std::optional<MailSecurity> parseMailSecurity(std::string_view setting);

inline constexpr const char* kUnknownMailSecurity =
    "Unknown mailSecurity setting (none, starttls, starttls-required or tls)";
inline constexpr const char* kNoMailServer = "Mail Server is unknown";

// Connects, secures the connection as configured and runs the dialogue.
// Never ends the request: a failed connection is unsent with its Windows
// Sockets `code` (0 for a mail server setting that is no address, or for a
// time-out); a TLS or login failure has a readable `reply` ("TLS:
// certificate verify failed (...)", the server's 535 line). An empty helo
// becomes the server's host name.
SmtpOutcome deliverMail(const MailSettings& settings, const MailMessage& mail);
