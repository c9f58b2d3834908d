// The settings file "kalder.ini", reader and writer side by side, and the
// password line that the server's command line sets in it.
//
// The bytes: lines ended by a line feed (a carriage return before it is
// dropped) in sections. A line that begins with "[" names a section when it
// is one of these as a whole, in any letter case; any other such line is
// ignored. Other lines are "key=value" (key before the first "=", compared
// ignoring case, never trimmed); lines without "=" or before the first
// section are ignored:
//
//   [GENERAL]
//   version=1.2                        written, never read
//   administrator=webmaster@example.org
//   mailServer=mail.example.org:25
//   serverName=www.example.org
//   password=secret
//   trustedProxies=10.0.0.1 10.0.0.2
//   mailSecurity=starttls              none, starttls, starttls-required, tls
//   mailUser=forms@example.org         SMTP login (only over TLS)
//   mailPassword=secret
//   mailCaFile=/etc/ssl/mail-ca.pem    CA file instead of the system store
//   addressStorage=hashed              full, network or hashed (a record's &COMPUTER)
//   alertHours=6                       the digest of mails that do not arrive
//   viewerAddress=https://...show.exe  its links (common/mail/failure_alert.h)
//   metricsToken=k3J9...               Bearer token of the metrics page
//   later=x                            other keys: kept as they are
//
//   [GROUPS]
//   shop=/srv/www/forms/shop.grp       a repeated group keeps its first path
//
//   [INTERNATIONAL]
//   language=slo                       the default language
//   slo=cp1250,ISO-8859-2              coding, charset (either may be empty)
//
//   [HEADER]
//   every byte after this line is the header text, to the end of the file
//
// The writer writes the sections in this order, each only when it holds
// something, and a language's first coding or no charset not at all.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "common/language/language.h"
#include "common/text/list.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

struct SystemSettings {
  Text version = "1.2";
  Text administrator;
  Text mailServer;
  Text serverName;
  Text password;
  Text trustedProxies;  // reverse proxies whose X-Forwarded-For names the client
  // How mail reaches mailServer (see common/mail/mail_delivery.h); each is
  // written only when set, so files that do not use them stay as they were.
  Text mailSecurity;
  Text mailUser;
  Text mailPassword;
  Text mailCaFile;
  // What a record keeps of its visitor's address (common/access/address_storage.h).
  Text addressStorage;
  // The digest of mails that do not arrive (common/mail/failure_alert.h).
  Text alertHours;
  Text viewerAddress;
  // The token a scraper of the metrics page presents (show/metrics_page.h).
  Text metricsToken;
  // The "[GENERAL]" lines of keys this version does not know, as read: they
  // are written back, so a save never drops a setting of a later version.
  List<Text> otherGeneralLines;
  Text header;
  ParamList groups;  // group name = path of its description file
  // Indexes into the language table; a coding of 0 and a charset of -1 are
  // what a language has when the file names none.
  int defaultLanguage = 0;
  std::array<int, kLanguageCount> languageCodings{};
  std::array<int, kLanguageCount> languageCharsets = noCharsets();

 private:
  static std::array<int, kLanguageCount> noCharsets() {
    std::array<int, kLanguageCount> none;
    none.fill(-1);
    return none;
  }
};

// The settings that `content`, the bytes of a settings file, holds. Names of
// languages, codings and charsets that the table lacks change nothing,
// except that a charset the language lacks reads as none.
SystemSettings parseSettingsFile(std::string_view content);

// The bytes of a settings file that reads back to `settings`. Values are
// kept on their lines (a line break becomes a space).
Text settingsFileText(const SystemSettings& settings);

// The settings file `content` with `password` as the stored password. The
// first password line of "[GENERAL]" takes the new value, later ones (which
// would win over it) are dropped; without one, the line follows the first
// "[GENERAL]" line, and without that section a new one goes before
// "[HEADER]" or at the end. Every other line is kept byte for byte.
std::string withPassword(std::string_view content, std::string_view password);
