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
#include "common/storing/record_store.h"
#include "common/template/template.h"
#include "common/text/param_list.h"
#include "common/webhook/webhook_spool.h"

namespace {

constexpr MessageTable kDefaultSubject{"New Entry in catalog ", "Nov zapis v katalogu "};
constexpr MessageTable kFileLine{"File: %s, %ld bytes\n", "Datoteka: %s, %ld bajtov\n"};

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

namespace {

// The first response whose forms and catalogs take the submission; null for none.
const ResponseEntry* matchingResponse(const GroupDescription& group, const Submission& submission) {
  for (const ResponseEntry& r : group.responses) {
    bool formMatches = r.forms.empty() || listed(r.forms, submission.formName);
    bool catalogMatches = r.catalogs.empty() || listed(r.catalogs, submission.target.entry->name);
    if (formMatches && catalogMatches) return &r;
  }
  return nullptr;
}

}  // namespace

// A mail template: its sender line, its subject line, then the body, each
// expanded with the submission's variables (posted text taken as it is).
void RecordStore::expandMailTemplate(const Submission& submission, const Text& path, Text& sender,
                                     Text& subject, Text& body) {
  FilePtr file = app_.openRead(path, OpenMode::Required);
  body.readBytes(file.get(), -1);
  app_.closeFile(file);
  sender = takeLine(body);
  subject = takeLine(body);
  TemplateScopes scopes{&submission.fields, &app_.group.variables, &app_.variables()};
  TemplateOptions options{&submission.fields, false};
  options.requestVariables = &app_.requestVariables();
  const Language& language = app_.currentLanguage();
  Text directory = directoryOf(path);
  for (Text* text : {&body, &subject})
    expandTemplate(*text, scopes, directory, app_.currentIndex(), language.dateFormat,
                   language.timeFormat, options);
}

// The mails of the first matching response, one per recipient, in UTF-8.
List<OutboxMail> RecordStore::composeNotifications(const Submission& submission) {
  webhooks_ = composeWebhooks(submission, app_.options.webhooks, app_.groupSettingsName.view(),
                              app_.currentCharsetName());
  const ResponseEntry* response = matchingResponse(app_.group, submission);
  if (!response) return {};
  Text sender, subject, body;
  Text templatePath = app_.languageFile(makePath(app_.group.workDir, response->templateFile));
  if (!response->templateFile.empty() && app_.fileExists(templatePath)) {
    expandMailTemplate(submission, templatePath, sender, subject, body);
  } else {
    subject = Text(kDefaultSubject.pick(app_.currentIndex())) + submission.target.name;
    body = defaultMailBody(submission);
  }
  OutboxMail mail = mailOf(submission, sender, subject, body);
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

OutboxMail RecordStore::composeTemplateMail(const Submission& submission,
                                            const Text& templatePath) {
  Text sender, subject, body;
  expandMailTemplate(submission, templatePath, sender, subject, body);
  // A posted value the template puts in the subject may hold line breaks.
  for (char& c : subject.str())
    if (c == '\n' || c == '\r') c = ' ';
  return mailOf(submission, sender, subject, body);
}

// A mail of the submission's record, without its recipient, in UTF-8.
OutboxMail RecordStore::mailOf(const Submission& submission, const Text& sender,
                               const Text& subject, const Text& body) {
  std::string_view charset = app_.currentCharsetName();
  OutboxMail mail;
  mail.group = app_.groupSettingsName;
  mail.catalog = submission.target.name;
  mail.catalogPath = submission.target.path;
  mail.label = submission.label;
  mail.sender = sender.empty() ? localSenderAddress() : mailUtf8(sender, charset);
  mail.subject = mailUtf8(subject, charset);
  mail.body = mailUtf8(body, charset);
  return mail;
}

// Written and flushed before the record is stored, so a crash after storing
// never loses them. A mail that cannot be written ends the submission before
// anything is stored: the visitor can send the form again.
void RecordStore::queueNotifications(List<OutboxMail>& mails) {
  Outbox outbox(outboxFolder(app_.home()));
  long long now = outboxNow();
  for (size_t i = 0; i < mails.size(); ++i) {
    if (outbox.addPending(mails[i], now, app_.settings.serverName)) continue;
    mails.resize(i);
    dropNotifications(mails);
    app_.fatal(messages::kMailError, app_.text(messages::kOutboxUnwritable));
  }
  if (queueWebhooks(app_.home(), webhooks_, app_.options.webhooks.maxSpool)) return;
  dropNotifications(mails);
  app_.fatal(messages::kMailError, app_.text(messages::kOutboxUnwritable));
}

void RecordStore::confirmNotifications(List<OutboxMail>& mails) {
  Outbox outbox(outboxFolder(app_.home()));
  // One that stays pending is confirmed by the next run, which finds its
  // record stored.
  for (OutboxMail& mail : mails) outbox.confirm(mail);
  Outbox spool = webhookSpool(app_.home());
  for (OutboxMail& delivery : webhooks_)
    if (delivery.state == MailState::Pending) spool.confirm(delivery);
}

void RecordStore::dropNotifications(const List<OutboxMail>& mails) {
  Outbox outbox(outboxFolder(app_.home()));
  for (const OutboxMail& mail : mails) outbox.remove(mail);
  Outbox spool = webhookSpool(app_.home());
  // Those never written have no id, hence no file.
  for (const OutboxMail& delivery : webhooks_)
    if (!delivery.id.empty()) spool.remove(delivery);
  webhooks_.clear();
}

// The record in the item form, whatever the group's layout, its files, and
// the link to it in the record viewer.
Text RecordStore::defaultMailBody(const Submission& submission) {
  Text body = itemRecordText(submission.automatic(), app_.group.omittedFields, submission.fields);
  for (const UploadEntry& entry : submission.uploads)
    body += Text::format(kFileLine.pick(app_.currentIndex()), entry.originalName,
                         static_cast<long>(entry.size));
  // A label prefix or catalog name may hold characters that end a query
  // value ("&", "#", a space): they are percent-encoded.
  body += "http://" + app_.settings.serverName + app_.variables().value("&KALDERHOME") +
          "show.exe/" + app_.groupName + "?label=" + percentEncode(submission.label) +
          "&catalog=" + percentEncode(submission.target.name);
  return body;
}
