// The notifications of a submission: the first matching response of the
// group, its template (sender line, subject line, body) expanded with the
// submission's variables or the default mail with the record and a link to
// the record viewer, put in the outbox before the record is stored.
#include <ctime>

#include "common/catalog/item_record.h"
#include "common/files/path.h"
#include "common/mail/mail.h"
#include "common/mail/mail_text.h"
#include "common/mail/outbox_run.h"
#include "common/storing/record_storing.h"
#include "common/template/template.h"
#include "common/text/param_list.h"

namespace {

constexpr MessageTable kDefaultSubject{"New Entry in catalog ", "Nov zapis v katalogu "};

bool listed(const List<Text>& names, std::string_view name) {
  for (const Text& n : names)
    if (n.equalsIgnoreCase(name)) return true;
  return false;
}

// Takes the text up to the first line feed off `rest`; without a line feed
// the part stays empty and `rest` keeps the text.
Text takeLine(Text& rest) {
  long feed = rest.findChar('\n');
  if (feed < 0) return Text();
  Text line = rest.substring(0, feed);
  rest.erase(0, feed + 1);
  return line;
}

}  // namespace

// The mails of the first matching response, one per recipient, in UTF-8.
List<OutboxMail> RecordStoring::composeNotifications(const Text& formName,
                                                     const CatalogFile& target, const Text& label,
                                                     const Text& refLabel) {
  const ResponseEntry* response = nullptr;
  for (const ResponseEntry& r : group.responses) {
    bool formMatches = r.forms.empty() || listed(r.forms, formName);
    bool catalogMatches = r.catalogs.empty() || listed(r.catalogs, target.entry->name);
    if (formMatches && catalogMatches) {
      response = &r;
      break;
    }
  }
  if (!response) return {};

  Text sender, subject, body;
  Text templatePath = makePath(group.workDir, response->templateFile);
  if (!response->templateFile.empty() && fileExists(templatePath)) {
    FilePtr file = openRead(templatePath, OpenMode::Required);
    body.readBytes(file.get(), -1);
    closeFile(file);
    sender = takeLine(body);
    subject = takeLine(body);
    TemplateScopes scopes{&postParams(), &group.variables, &variables()};
    TemplateOptions options{&postParams(), false};
    options.requestVariables = &requestVariables();
    const Language& language = currentLanguage();
    Text directory = directoryOf(templatePath);
    expandTemplate(body, scopes, directory, currentIndex(), language.dateFormat,
                   language.timeFormat, options);
    expandTemplate(subject, scopes, directory, currentIndex(), language.dateFormat,
                   language.timeFormat, options);
  } else {
    subject = Text(kDefaultSubject.pick(currentIndex())) + target.name;
    body = defaultMailBody(formName, target, label, refLabel);
  }
  std::string_view charset = currentCharsetName();
  OutboxMail mail;
  mail.group = groupSettingsName;
  mail.catalog = target.name;
  mail.catalogPath = target.path;
  mail.label = label;
  mail.sender = sender.empty() ? localSenderAddress() : mailUtf8(sender, charset);
  mail.subject = mailUtf8(subject, charset);
  mail.body = mailUtf8(body, charset);
  // An empty address (a blank line of a recipients file, say) names nobody;
  // a server would refuse it and the remaining recipients would get nothing.
  List<OutboxMail> mails;
  for (const Text& recipient : response->recipients) {
    if (recipient.empty()) continue;
    mail.recipient = recipient;
    mails.push_back(mail);
  }
  return mails;
}

// Written and flushed before the record is stored, so a crash after storing
// never loses them. A mail that cannot be written ends the submission before
// anything is stored: the visitor can send the form again.
void RecordStoring::queueNotifications(List<OutboxMail>& mails) {
  Outbox outbox(outboxFolder(home()));
  long long now = outboxNow();
  for (size_t i = 0; i < mails.size(); ++i) {
    if (outbox.addPending(mails[i], now, settings.serverName)) continue;
    mails.resize(i);
    dropNotifications(mails);
    fatal(messages::kMailError, text(messages::kOutboxUnwritable));
  }
}

void RecordStoring::confirmNotifications(List<OutboxMail>& mails) {
  Outbox outbox(outboxFolder(home()));
  // One that stays pending is confirmed by the next run, which finds its
  // record stored.
  for (OutboxMail& mail : mails) outbox.confirm(mail);
}

void RecordStoring::dropNotifications(const List<OutboxMail>& mails) {
  Outbox outbox(outboxFolder(home()));
  for (const OutboxMail& mail : mails) outbox.remove(mail);
}

// The record in the item form, whatever the group's layout, and the link to
// it in the record viewer.
Text RecordStoring::defaultMailBody(const Text& formName, const CatalogFile& target,
                                    const Text& label, const Text& refLabel) {
  AutomaticValues automatic = automaticValues(label, formName, submitterAddress(), today, refLabel);
  Text body = itemRecordText(automatic, group.omittedFields, postParams());
  body += uploadLines();
  // A label prefix or catalog name may hold characters that end a query
  // value ("&", "#", a space): they are percent-encoded.
  body += "http://" + settings.serverName + variables().value("&KALDERHOME") + "show.exe/" +
          groupName + "?label=" + percentEncode(label) + "&catalog=" + percentEncode(target.name);
  return body;
}
