// sendMail: one mail to the configured mail server, every failure turned into
// the mail error page; the dialogue itself lives in smtp_dialogue.
#include "common/mail/mail.h"

#include <netdb.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/mail/mail_delivery.h"
#include "common/mail/smtp_transport.h"

namespace {

struct SocketErrorName {
  int code;
  const char* name;
};

constexpr SocketErrorName kSocketErrorNames[] = {
    {10004, "WSAEINTR"},           {10013, "WSAEACCES"},          {10014, "WSAEFAULT"},
    {10022, "WSAEINVAL"},          {10024, "WSAEMFILE"},          {10035, "WSAEWOULDBLOCK"},
    {10036, "WSAEINPROGRESS"},     {10038, "WSAENOTSOCK"},        {10041, "WSAEPROTOTYPE"},
    {10043, "WSAEPROTONOSUPPORT"}, {10044, "WSAESOCKTNOSUPPORT"}, {10047, "WSAEAFNOSUPPORT"},
    {10050, "WSAENETDOWN"},        {10052, "WSAENETRESET"},       {10055, "WSAENOBUFS"},
    {10091, "WSASYSNOTREADY"},     {10092, "WSAVERNOTSUPPORTED"}, {10093, "WSANOTINITIALISED"},
    {11001, "WSAHOST_NOT_FOUND"},  {11002, "WSATRY_AGAIN"},       {11003, "WSANO_RECOVERY"},
    {11004, "WSANO_DATA"},
};

}  // namespace

Text localSenderAddress() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
    std::snprintf(name, sizeof name, "localhost");
  Text host(name);
  addrinfo hints{};
  hints.ai_flags = AI_CANONNAME;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name, nullptr, &hints, &found) == 0) {
    if (found && found->ai_canonname && *found->ai_canonname) host = found->ai_canonname;
    ::freeaddrinfo(found);
  }
  return "kalder@" + host;
}

const char* socketErrorName(int code) {
  for (const SocketErrorName& entry : kSocketErrorNames)
    if (entry.code == code) return entry.name;
  return nullptr;
}

void reportSocketError(CgiApplication& application, int code) {
  const char* name = socketErrorName(code);
  if (name) application.fatal(messages::kMailError, name);
  application.fatal(messages::kMailError, application.text(messages::kUnknownError));
}

void sendMail(CgiApplication& application, Text sender, Text recipient, Text subject, Text body) {
  if (application.settings.mailServer.empty()) application.fatal(messages::kMailServerUnknown);
  MailServerAddress server = parseMailServer(application.settings.mailServer);
  if (!server.valid) reportSocketError(application, 0);
  if (sender.empty()) sender = localSenderAddress();
  MailMessage mail{server.host,        std::move(sender), std::move(recipient),
                   std::move(subject), std::move(body),   Text()};
  SmtpOutcome outcome = deliverMail(mailSettings(application.settings), mail);
  if (outcome.sent) return;
  // The server's reply is shown as it came: an ampersand in it must not
  // start an entity name that the page's coding conversion would turn.
  if (!outcome.reply.empty()) application.fatal(messages::kMailError, exactValue(outcome.reply));
  reportSocketError(application, outcome.code);
}
