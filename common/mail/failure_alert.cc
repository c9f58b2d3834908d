// Finding the mails that do not arrive and composing the administrator's
// digest of them, at most one every alertHours.
#include "common/mail/failure_alert.h"

#include <charconv>
#include <set>
#include <string>

#include "common/files/atomic_file.h"
#include "common/files/path.h"
#include "common/mail/mail.h"
#include "common/text/file_lines.h"
#include "common/text/param_list.h"

namespace {

Text generalValue(const SystemSettings& settings, std::string_view key) {
  for (const Text& line : settings.otherGeneralLines) {
    long equals = line.findChar('=');
    if (equals > 0 && equalsIgnoreCase(line.view().substr(0, equals), key))
      return line.substring(equals + 1);
  }
  return Text();
}

long long readNumber(std::string_view text) {
  long long number = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size() ? number : -1;
}

struct AlertStamp {
  long long time = 0;
  std::set<std::string> ids;
};

Text stampPath(const Outbox& outbox) { return outbox.folder() + "alert.stamp"; }

AlertStamp readStamp(const Outbox& outbox) {
  bool readable = false;
  Text content = readFileBytes(stampPath(outbox), &readable, 1 << 20);
  AlertStamp stamp;
  std::string_view line, text = content.view();
  size_t at = 0;
  if (takeLine(text, at, line)) stamp.time = readNumber(line);
  while (takeLine(text, at, line))
    if (!line.empty()) stamp.ids.insert(std::string(line));
  return stamp;
}

// Written through a temporary file: a torn stamp would send the next digest
// at once, or never.
bool writeStamp(const Outbox& outbox, long long now, const List<OutboxMail>& listed) {
  Text content = Text::fromInt(static_cast<long>(now)) + "\n";
  for (const OutboxMail& mail : listed) content += mail.id + "\n";
  Text path = stampPath(outbox);
  AtomicFile file;
  if (!file.open(path, privateTempPath(path))) return false;
  std::fwrite(content.c_str(), 1, content.str().size(), file.file());
  return file.commit();
}

std::string_view stateName(const OutboxMail& mail) {
  return mail.state == MailState::Failed ? "failed" : "waiting";
}

}  // namespace

AlertSettings alertSettingsOf(const SystemSettings& settings) {
  AlertSettings alert;
  long long hours = readNumber(trimBlanks(generalValue(settings, "alertHours").view()));
  alert.hours = hours > 0 && hours <= 24 * 366 ? static_cast<long>(hours) : 0;
  alert.administrator = settings.administrator;
  alert.serverName = settings.serverName;
  alert.viewer = generalValue(settings, "viewerAddress");
  if (alert.viewer.empty()) alert.viewer = "http://" + settings.serverName + "/cgi-bin/show.exe";
  return alert;
}

bool needsAlert(const OutboxMail& mail, long long now) {
  if (mail.group.empty()) return false;
  if (mail.state == MailState::Failed) return true;
  return mail.state == MailState::Waiting && now - mail.created > kAlertWait;
}

Text digestBody(const List<OutboxMail>& mails, const Text& viewer) {
  Text body = "Mails that did not arrive:\n";
  size_t listed = 0;
  for (const OutboxMail& mail : mails) {
    if (++listed > kMaxAlertedMails) break;
    body += "\n" + mail.group + "  " + mail.catalog + "  " + mail.label + "  " +
            Text(stateName(mail)) + "  " + mail.recipient + "\n  " + mail.reply + "\n  " + viewer +
            "/" + percentEncode(mail.group.view()) + "?label=" + percentEncode(mail.label.view()) +
            "&catalog=" + percentEncode(mail.catalog.view()) + "\n";
  }
  if (mails.size() > kMaxAlertedMails)
    body +=
        "\nand " + Text::fromInt(static_cast<long>(mails.size() - kMaxAlertedMails)) + " more\n";
  return body;
}

bool queueFailureDigest(Outbox& outbox, const AlertSettings& settings, long long now) {
  if (settings.hours <= 0 || settings.administrator.empty()) return false;
  AlertStamp stamp = readStamp(outbox);
  if (stamp.time > 0 && now < stamp.time + settings.hours * 3600LL) return false;
  List<OutboxMail> listed;
  bool anyNew = false;
  for (const OutboxMail& mail : outbox.mails()) {
    if (!needsAlert(mail, now)) continue;
    listed.push_back(mail);
    anyNew = anyNew || !stamp.ids.count(std::string(mail.id.view()));
  }
  if (!anyNew) return false;
  OutboxMail digest;
  digest.sender = localSenderAddress();
  digest.recipient = settings.administrator;
  digest.subject = "Mail delivery problems: " + Text::fromInt(static_cast<long>(listed.size()));
  digest.body = digestBody(listed, settings.viewer);
  // The stamp first: a digest that cannot be stamped is not sent, rather
  // than sent on every run.
  if (!writeStamp(outbox, now, listed)) return false;
  return outbox.addPending(digest, now, settings.serverName.view()) && outbox.confirm(digest);
}
