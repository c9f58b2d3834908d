// Taking a record out of its catalog file and its index, with its uploads.
#include "show/record_erasure.h"

#include <filesystem>
#include <optional>

#include "common/access/audit_action.h"
#include "common/access/client_address.h"
#include "common/cgi/raw_fields.h"
#include "common/files/group_lock.h"
#include "common/storing/deletion_log.h"
#include "common/storing/record_removal.h"
#include "show/record_reader.h"
#include "show/show_application.h"
#include "show/show_texts.h"

namespace {

// A record and the file it lies in.
struct FoundRecord {
  const CatalogFile* file = nullptr;
  RecordSpan span;
};

// The record labelled `label`, searched in file order (an index may be out
// of step with its catalog; the file itself never is).
std::optional<FoundRecord> findRecord(RecordReader& reader, const CatalogFileList& files,
                                      const Text& label) {
  std::optional<FoundRecord> found;
  bool ended = false;
  for (const CatalogFile& file : files) {
    reader.walkFile(file, [&](const RecordPlace& place, const Record*) {
      if (found) {
        found->span.end = place.offset;
        ended = true;
        return false;
      }
      if (place.label == label) found = FoundRecord{&file, RecordSpan{place.offset, -1, label}};
      return true;
    });
    if (found) break;
  }
  if (found && !ended) {
    std::error_code error;
    auto size = std::filesystem::file_size(found->file->path.str(), error);
    found->span.end = error ? found->span.offset : static_cast<long>(size);
  }
  return found;
}

void erase(ShowApplication& app, const CatalogFileList& files, const Text& label) {
  GroupLock lock;
  if (!lock.acquire(app.groupPath))
    app.fatal(messages::kCreateFailed, GroupLock::lockPath(app.groupPath));
  RecordReader reader(app);
  std::optional<FoundRecord> found = findRecord(reader, files, label);
  if (!found) app.fatal(showTexts::kRecordNotFound, label);
  AuditedAction audit(app, "record erased");
  RecordEraser eraser(app);
  eraser.eraseFromFile(*found->file, RecordSpans{found->span});
  audit.done(app.groupSettingsName, found->file->name, label);
}

Markup confirmationForm(ShowApplication& app, const ViewTarget& target) {
  using namespace showTexts;
  return app.passwordButton(app.actionUrl(target), app.text(kEraseConfirm),
                            {{"confirm", target.label}}) +
         "\n";
}

}  // namespace

RecordEraser::RecordEraser(ShowApplication& app) : app_(app) {
  if (!log_.open(app.home())) app.fatal(messages::kCreateFailed, log_.path());
}

void RecordEraser::eraseFromFile(const CatalogFile& file, RecordSpans spans) {
  if (spans.empty()) return;
  std::error_code error;
  auto size = std::filesystem::file_size(file.path.str(), error);
  for (RecordSpan& span : spans)
    if (span.end < 0) span.end = error ? span.offset : static_cast<long>(size);
  RemovalPlace place{app_.home(), app_.groupSettingsName, app_.groupPath, app_.group.indexMode,
                     &file};
  Text failed = removeRecords(place, spans);
  if (!failed.empty()) app_.fatal(messages::kCreateFailed, failed);
  for (const RecordSpan& span : spans) logErasure(file.name, span.label);
}

void RecordEraser::logErasure(const Text& catalog, const Text& label) {
  if (!log_.append(app_.today, app_.groupSettingsName.view(), catalog.view(), label.view(),
                   clientAddress(app_).view()))
    app_.fatal(messages::kCreateFailed, log_.path());
}

void writeErasurePage(ShowApplication& app, const CatalogFileList& files,
                      const ViewTarget& target) {
  using namespace showTexts;
  Markup label = Markup::format("<tt>%s</tt>", target.label);
  Text confirmed = rawPostedField(app.rawBody().view(), "confirm");
  if (confirmed.empty() || confirmed != target.label) {
    RecordReader reader(app);
    if (!findRecord(reader, files, target.label)) app.fatal(kRecordNotFound, target.label);
    Markup body =
        Markup::format("<h1>%s</h1>\n<p>%s</p>\n<div>",
                       Markup::format(app.text(kEraseTitle), label), app.text(kEraseWarning));
    body += confirmationForm(app, target);
    ViewTarget back{target.label, target.catalog, 0, false};
    body += app.button(back, app.text(kEraseCancel)) + "</div>\n";
    app.writePage(Markup::format(app.text(kEraseTitle), target.label), body);
    return;
  }
  erase(app, files, target.label);
  Markup body = Markup::format("<h1>%s</h1>\n<div>", Markup::format(app.text(kErasedTitle), label));
  body += app.button({"", target.catalog, 0, false}, app.text(kAllRecords)) + "</div>\n";
  app.writePage(Markup::format(app.text(kErasedTitle), target.label), body);
}
