// deliverMail: the TCP connection, TLS from the first byte or after
// STARTTLS, and the dialogue over whichever is in effect.
#include "common/mail/mail_delivery.h"

#include "common/mail/smtp_transport.h"
#include "common/mail/tls_transport.h"

namespace {

struct SecurityName {
  const char* name;
  MailSecurity security;
};

constexpr SecurityName kSecurityNames[] = {
    {"", MailSecurity::None},
    {"none", MailSecurity::None},
    {"starttls", MailSecurity::StartTls},
    {"starttls-required", MailSecurity::StartTlsRequired},
    {"tls", MailSecurity::Tls},
};

SmtpOutcome unsent(Text reply, int code = 0) { return SmtpOutcome{false, std::move(reply), code}; }

}  // namespace

MailSettings mailSettings(const SystemSettings& settings) {
  return MailSettings{settings.mailServer, settings.mailSecurity, settings.mailUser,
                      settings.mailPassword, settings.mailCaFile};
}

std::optional<MailSecurity> parseMailSecurity(std::string_view setting) {
  for (const SecurityName& entry : kSecurityNames)
    if (equalsIgnoreCase(setting, entry.name)) return entry.security;
  return std::nullopt;
}

SmtpOutcome deliverMail(const MailSettings& settings, const MailMessage& message) {
  std::optional<MailSecurity> security = parseMailSecurity(settings.security);
  if (!security) return unsent(kUnknownMailSecurity);
  // Refused before connecting: a login never travels in plain text.
  if (*security == MailSecurity::None && !settings.user.empty()) return unsent(kLoginNeedsTls);
  if (settings.server.empty()) return unsent(kNoMailServer);
  MailServerAddress server = parseMailServer(settings.server);
  if (!server.valid) return unsent(Text());
  MailMessage mail = message;
  if (mail.helo.empty()) mail.helo = server.host;

  TcpTransport tcp;
  IoResult opened = tcp.open(server.host, server.port, SmtpClock::now() + smtpTimeout());
  if (!opened.ok()) return unsent(Text(), opened.code);
  TlsTransport tls(tcp);  // declared after tcp: it ends before the socket closes
  auto handshake = [&] {
    return tls.handshake(server.host, settings.caFile, SmtpClock::now() + smtpTimeout());
  };
  SmtpSecurity dialogue{*security, settings.user, settings.password, nullptr};
  if (*security == MailSecurity::Tls) {
    IoResult secured = handshake();
    if (!secured.ok()) return unsent(tls.error(), secured.code);
    return runSmtpDialogue(tls, mail, dialogue);
  }
  dialogue.startTls = [&](Text& error) -> SmtpTransport* {
    // Plain text sent after the 220 but before the handshake would be read
    // as if it had come encrypted.
    if (tcp.hasUnreadInput()) {
      error = "TLS: the server sent data before the handshake";
      return nullptr;
    }
    if (handshake().ok()) return &tls;
    error = tls.error();
    return nullptr;
  };
  return runSmtpDialogue(tcp, mail, dialogue);
}
