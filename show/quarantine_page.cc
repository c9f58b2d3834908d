// Listing, releasing and deleting quarantined records, all under the group
// lock; records that stayed longer than the group allows are removed first.
// The file is read a record at a time, never whole.
#include "show/quarantine_page.h"

#include <cstdio>
#include <filesystem>

#include "common/access/audit_action.h"
#include "common/catalog/quarantine_file.h"
#include "common/catalog/spam_messages.h"
#include "common/catalog/upload_folder.h"
#include "common/cgi/request_ended.h"
#include "common/files/file_modes.h"
#include "common/files/group_lock.h"
#include "common/mail/outbox_run.h"
#include "common/storing/record_store.h"
#include "show/catalog_pages.h"
#include "show/show_application.h"
#include "show/show_texts.h"

namespace {

constexpr MessageTable kQuarantineTitle{"Quarantine of the group %s", "Karantena skupine %s"};
constexpr MessageTable kQuarantineEmpty{"The quarantine is empty.", "Karantena je prazna."};
constexpr MessageTable kReleased{"Record %s released as %s.",
                                 "Zapis %s spro&scaron;&ccaron;en kot %s."};
constexpr MessageTable kDeleted{"Record %s deleted.", "Zapis %s izbrisan."};
constexpr MessageTable kRelease{"Release", "Spusti"};
constexpr MessageTable kDelete{"Delete", "Izbri&scaron;i"};
constexpr MessageTable kQuarantineLink{"Quarantine (%ld)", "Karantena (%ld)"};
constexpr MessageTable kReasonColumn{"Reason", "Razlog"};

// The first record labelled `label`; fatal when there is none.
QuarantinedRecord findRecord(ShowApplication& app, const Text& label) {
  QuarantineReader reader(quarantinePath(app.groupPath));
  QuarantinedRecord record;
  while (reader.next(record))
    if (record.label() == label) return record;
  app.fatal(showTexts::kRecordNotFound, label);
}

// Takes that record out of the file.
void removeRecord(ShowApplication& app, const Text& label) {
  Text path = quarantinePath(app.groupPath);
  bool found = false;
  bool written = rewriteQuarantine(path, [&](const QuarantinedRecord& record) {
    bool drop = !found && record.label() == label;
    found = found || drop;
    return !drop;
  });
  if (!written) app.fatal(spamMessages::kQuarantineUnwritable, path);
}

// The uploads move from the quarantine's folder to the catalog's: to the
// label's folder, or to one of the record's own when labels are not counted
// (upload_folder.h).
void moveUploads(ShowApplication& app, const RecordStore& store, const Text& oldLabel,
                 const CatalogFile& target, const Text& label) {
  Text from = recordUploadFolder(quarantinePath(app.groupPath).view(), oldLabel.view());
  std::error_code ignored;
  if (!std::filesystem::exists(from.str(), ignored)) return;
  Text folder = catalogUploadFolder(target.path.view());
  makePrivateFolders(folder.substring(0, folder.length() - 1).c_str());
  // A new empty folder of its own is replaced by the rename.
  Text to = store.countsLabels() ? recordUploadFolder(target.path.view(), label.view())
                                 : makeUnlabelledUploadFolder(target.path.view(), label.view());
  if (to.empty()) return;
  std::filesystem::rename(from.str(), to.str(), ignored);
}

// The held record as a submission of its catalog, with the date, time and
// address it was sent with; its label is taken when it is stored.
Submission submissionOf(ShowApplication& app, const QuarantinedRecord& record) {
  CatalogFileList files;
  app.catalogFiles().addCatalogFiles(files, record.catalog.view());
  if (files.empty()) app.fatal(messages::kCatalogNotFound, record.catalog);
  Submission submission;
  submission.formName = record.automatic[AutomaticField::FormId];
  submission.target = files.front();
  submission.refLabel = record.automatic[AutomaticField::RefLabel];
  submission.fields = record.fields;
  submission.sent = record.sent();
  submission.clientAddress = record.automatic[AutomaticField::Computer];
  return submission;
}

// Stores `record` as a new submission of its catalog; returns its new label.
Text release(ShowApplication& app, const QuarantinedRecord& record, bool& mailed) {
  Submission submission = submissionOf(app, record);
  RecordStore store(app);
  app.group.count = app.counterOnDisk(app.group.count);
  submission.label = takeNextLabel(app.group);
  store.addSubmissionVariables(submission);
  List<OutboxMail> mails = store.composeNotifications(submission);
  store.queueNotifications(mails);
  try {
    store.storeCounted(submission);
  } catch (const RequestEnded&) {
    store.dropNotifications(mails);
    throw;
  }
  // On disk before the quarantine forgets it.
  store.flushStored();
  store.confirmNotifications(mails);
  moveUploads(app, store, record.label(), submission.target, submission.label);
  mailed = !mails.empty() || store.queuedWebhooks();
  return submission.label;
}

// A one-button form that posts the password on with the action.
Markup actionButton(ShowApplication& app, std::string_view action, const Text& label,
                    const MessageTable& caption, long count = 0) {
  Text url = app.CGIhome() + "show.exe/" + percentEncode(app.groupName) + "?quarantine=" + action;
  if (!label.empty()) url += "&label=" + percentEncode(label);
  if (!app.languageParam().empty()) url += "&language=" + percentEncode(app.languageParam());
  return app.passwordButton(exactValue(url), Markup::format(app.text(caption), count));
}

Markup recordRow(ShowApplication& app, const QuarantinedRecord& record) {
  Markup preview;
  for (const Param& field : record.fields) {
    if (!preview.empty()) preview += "<br>";
    preview += Markup::format("<b>%s</b>: %s", field.name, previewValue(field.value.view(), 60));
  }
  const AutomaticValues& automatic = record.automatic;
  return Markup::format(
      "<tr><td>%s</td><td>%s %s</td><td>%s</td><td>%s</td><td>%s</td><td>%s</td>"
      "<td>%s %s</td></tr>\n",
      record.label(), listDate(automatic[AutomaticField::Date].view(), app.currentIndex()),
      listTime(automatic[AutomaticField::Time].view(), app.currentIndex()),
      automatic[AutomaticField::Computer], record.catalog, record.reason, preview,
      actionButton(app, "release", record.label(), kRelease),
      actionButton(app, "delete", record.label(), kDelete));
}

Markup recordTable(ShowApplication& app, const Text& path) {
  using namespace showTexts;
  Markup rows;
  QuarantineReader reader(path);
  QuarantinedRecord record;
  while (reader.next(record)) rows += recordRow(app, record);
  if (rows.empty()) return Markup::format("<p>%s</p>\n", app.text(kQuarantineEmpty));
  Markup table = Markup::format(
      "<table border=1 cellpadding=3>\n<tr><th>&amp;LABEL</th><th>&amp;DATE</th>"
      "<th>&amp;COMPUTER</th><th>%s</th><th>%s</th><th></th><th></th></tr>\n",
      app.text(kCatalogColumn), app.text(kReasonColumn));
  return table + rows + "</table>\n";
}

}  // namespace

Markup quarantineButton(ShowApplication& app) {
  Text path = quarantinePath(app.groupPath);
  std::error_code ignored;
  if (!std::filesystem::exists(path.str(), ignored)) return Markup();
  long count = 0;
  QuarantineReader reader(path);
  for (QuarantinedRecord record; reader.next(record);) ++count;
  return Markup::format("<p>%s</p>\n", actionButton(app, "list", Text(), kQuarantineLink, count));
}

void writeQuarantinePage(ShowApplication& app, const Text& label, const Text& action) {
  Text path = quarantinePath(app.groupPath);
  Markup note;
  bool mailed = false;
  {
    GroupLock lock;
    RecordStore(app).lockGroup(lock);
    if (!dropExpiredQuarantine(app.groupPath, app.today, app.options.spam.quarantineDays))
      app.fatal(spamMessages::kQuarantineUnwritable, path);
    if (action == "release") {
      QuarantinedRecord record = findRecord(app, label);
      AuditedAction audit(app, "quarantine released");
      Text newLabel = release(app, record, mailed);
      removeRecord(app, label);
      audit.done(app.groupSettingsName, record.catalog, record.label() + " " + newLabel);
      note = Markup::format(app.text(kReleased), record.label(), newLabel);
    } else if (action == "delete") {
      QuarantinedRecord record = findRecord(app, label);
      AuditedAction audit(app, "quarantine deleted");
      removeRecord(app, label);
      removeQuarantineUploads(app.groupPath, record.label().view());
      audit.done(app.groupSettingsName, record.catalog, record.label());
      note = Markup::format(app.text(kDeleted), record.label());
    }
  }
  Markup title = Markup::format(app.text(kQuarantineTitle), app.groupName);
  Markup body = Markup::format("<h1>%s</h1>\n", title);
  if (!note.empty()) body += Markup::format("<p>%s</p>\n", note);
  body += recordTable(app, path);
  body += Markup::format(
      "<div>%s</div>\n",
      app.button(ViewTarget{}, Markup::format(app.text(showTexts::kGroupTitle), app.groupName)));
  app.writePage(title, body);
  if (mailed) startDetachedOutboxRun(app.home());
}
