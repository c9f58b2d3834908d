// Listing, releasing and deleting quarantined records, all under the group
// lock; records that stayed longer than the group allows are removed first.
#include "show/quarantine_page.h"

#include <cstdio>
#include <filesystem>

#include "common/catalog/quarantine_file.h"
#include "common/catalog/upload_folder.h"
#include "common/cgi/request_ended.h"
#include "common/files/file_modes.h"
#include "common/files/group_lock.h"
#include "common/mail/outbox_run.h"
#include "insert/spam_messages.h"
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

// Takes the record `label` out of `records`; fatal when there is none.
QuarantinedRecord takeRecord(ShowApplication& app, List<QuarantinedRecord>& records,
                             const Text& label) {
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i].label() != label) continue;
    QuarantinedRecord record = records[i];
    records.erase(records.begin() + static_cast<long>(i));
    return record;
  }
  app.fatal(showTexts::kRecordNotFound, label);
}

void saveRest(ShowApplication& app, const List<QuarantinedRecord>& rest) {
  Text path = quarantinePath(app.groupPath);
  if (!writeQuarantine(path, rest)) app.fatal(spamMessages::kQuarantineUnwritable, path);
}

// The uploads move from the quarantine's folder to the catalog's.
void moveUploads(const Text& groupPath, const Text& oldLabel, const CatalogFile& target,
                 const Text& label) {
  Text from = recordUploadFolder(quarantinePath(groupPath).view(), oldLabel.view());
  std::error_code ignored;
  if (!std::filesystem::exists(from.str(), ignored)) return;
  Text folder = catalogUploadFolder(target.path.view());
  makePrivateFolders(folder.substring(0, folder.length() - 1).c_str());
  std::filesystem::rename(from.str(), recordUploadFolder(target.path.view(), label.view()).str(),
                          ignored);
}

// Stores `record` as a new submission of its catalog; returns its new label.
Text release(ShowApplication& app, const QuarantinedRecord& record, bool& mailed) {
  CatalogFileList files;
  app.catalogFiles().addCatalogFiles(files, record.catalog.view());
  if (files.empty()) app.fatal(messages::kCatalogNotFound, record.catalog);
  const CatalogFile& target = files.front();
  const Text& formName = record.automatic[AutomaticField::FormId];
  const Text& refLabel = record.automatic[AutomaticField::RefLabel];
  app.today = record.sent();
  app.recordedAddress = record.automatic[AutomaticField::Computer];
  app.postParams() = record.fields;
  app.group.count = app.counterOnDisk(app.group.count);
  Text label = takeNextLabel(app.group);
  app.addSubmissionVariables(formName, target, label, refLabel);
  List<OutboxMail> mails = app.composeNotifications(formName, target, label, refLabel);
  app.queueNotifications(mails);
  try {
    app.storeCounted(target, formName, label, refLabel);
  } catch (const RequestEnded&) {
    app.dropNotifications(mails);
    throw;
  }
  // On disk before the quarantine forgets it.
  app.flushStored();
  app.confirmNotifications(mails);
  moveUploads(app.groupPath, record.label(), target, label);
  mailed = !mails.empty();
  return label;
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

Markup recordTable(ShowApplication& app, const List<QuarantinedRecord>& records) {
  using namespace showTexts;
  if (records.empty()) return Markup::format("<p>%s</p>\n", app.text(kQuarantineEmpty));
  Markup table = Markup::format(
      "<table border=1 cellpadding=3>\n<tr><th>&amp;LABEL</th><th>&amp;DATE</th>"
      "<th>&amp;COMPUTER</th><th>%s</th><th>%s</th><th></th><th></th></tr>\n",
      app.text(kCatalogColumn), app.text(kReasonColumn));
  for (const QuarantinedRecord& record : records) table += recordRow(app, record);
  return table + "</table>\n";
}

}  // namespace

Markup quarantineButton(ShowApplication& app) {
  Text path = quarantinePath(app.groupPath);
  std::error_code ignored;
  if (!std::filesystem::exists(path.str(), ignored)) return Markup();
  long count = static_cast<long>(readQuarantine(path).size());
  return Markup::format("<p>%s</p>\n", actionButton(app, "list", Text(), kQuarantineLink, count));
}

void writeQuarantinePage(ShowApplication& app, const Text& label, const Text& action) {
  Text path = quarantinePath(app.groupPath);
  Markup note;
  bool mailed = false;
  {
    GroupLock lock;
    app.lockGroup(lock);
    if (!dropExpiredQuarantine(app.groupPath, app.today, app.options.spam.quarantineDays))
      app.fatal(spamMessages::kQuarantineUnwritable, path);
    if (action == "release" || action == "delete") {
      List<QuarantinedRecord> records = readQuarantine(path);
      QuarantinedRecord record = takeRecord(app, records, label);
      if (action == "release") {
        Text newLabel = release(app, record, mailed);
        saveRest(app, records);
        note = Markup::format(app.text(kReleased), record.label(), newLabel);
      } else {
        saveRest(app, records);
        removeQuarantineUploads(app.groupPath, record.label().view());
        note = Markup::format(app.text(kDeleted), record.label());
      }
    }
  }
  Markup title = Markup::format(app.text(kQuarantineTitle), app.groupName);
  Markup body = Markup::format("<h1>%s</h1>\n", title);
  if (!note.empty()) body += Markup::format("<p>%s</p>\n", note);
  body += recordTable(app, readQuarantine(path));
  body += Markup::format(
      "<div>%s</div>\n",
      app.button(ViewTarget{}, Markup::format(app.text(showTexts::kGroupTitle), app.groupName)));
  app.writePage(title, body);
  if (mailed) startDetachedOutboxRun(app.home());
}
