// Finding a record by its label and showing it.
#include "show/record_page.h"

#include <optional>

#include "common/access/audit_action.h"
#include "show/mail_status.h"
#include "show/record_files.h"
#include "show/record_reader.h"
#include "show/show_application.h"
#include "show/show_texts.h"
#include "show/webhook_status.h"

namespace {

// The record of a label with its neighbours in listing order.
struct Found {
  std::optional<RecordPlace> previous, place, next;
  Record record;
};

// Looks for `label` in the places that `walk` visits; stops at the record
// after it.
template <typename Walk>
Found search(const Text& label, Walk walk) {
  Found found;
  walk([&](const RecordPlace& place, const Record* record) {
    if (found.place) {
      found.next = place;
      return false;
    }
    if (place.label == label) {
      found.place = place;
      if (record) found.record = *record;
    } else {
      found.previous = place;
    }
    return true;
  });
  return found;
}

// Through the index when there is one. An entry whose offset no longer
// leads to the record of its label (an index out of step with its catalog)
// is not trusted: the catalog files are then searched in file order.
Found findRecord(RecordReader& reader, const CatalogFileList& files, const Text& label) {
  Found found = search(label, [&](const RecordReader::Visit& visit) { reader.walk(files, visit); });
  if (!found.place) return found;
  if (found.record.empty()) reader.read(*found.place, found.record);
  if (fieldValue(found.record, "&label") == label) return found;
  found = search(label, [&](const RecordReader::Visit& visit) {
    for (const CatalogFile& file : files)
      if (!reader.walkFile(file, visit)) return;
  });
  return found;
}

Markup fieldName(ShowApplication& app, const Text& name) {
  int automatic = automaticFieldIndex(name);
  if (automatic >= 0) return app.text(showTexts::kAutomaticFields[automatic]);
  return Markup::format("%s", name);
}

Markup fieldTable(ShowApplication& app, const Record& record) {
  using namespace showTexts;
  Markup table = Markup::format("<table border=1 cellpadding=4>\n<tr><th>%s</th><th>%s</th></tr>\n",
                                app.text(kNameColumn), app.text(kValueColumn));
  for (const Field& field : record)
    table += Markup::format("<tr><td>%s</td><td style=\"white-space:pre-wrap\">%s</td></tr>\n",
                            fieldName(app, field.name), field.value);
  return table + "</table>\n";
}

}  // namespace

void writeRecordPage(ShowApplication& app, const CatalogFileList& files, const ViewTarget& target) {
  using namespace showTexts;
  applyMailAction(app, target.label);
  applyWebhookAction(app, target.label);
  RecordReader reader(app);
  Found found = findRecord(reader, files, target.label);
  if (!found.place) app.fatal(kRecordNotFound, target.label);
  auditAction(app, "record viewed", app.groupSettingsName, found.place->file->name, target.label);

  Markup label = Markup::format("<tt>%s</tt>", target.label);
  Markup body = Markup::format("<h1>%s</h1>\n", Markup::format(app.text(kRecordTitle), label));
  const CatalogFile& file = *found.place->file;
  Markup catalog = Markup::format("<tt>%s</tt>", file.name);
  body += "<p>" + Markup::format(app.text(kCatalogTitle), catalog);
  if (!file.description.empty()) body += Markup::format(": %s", file.description);
  body += "</p>\n" + fieldTable(app, found.record) +
          recordFilesSection(app, found.record, file, target) + recordMailTable(app, target.label) +
          recordWebhookTable(app, target.label) + "<div>";
  if (found.previous && !found.previous->label.empty())
    body +=
        app.button({found.previous->label, target.catalog, 0, false}, app.text(kPreviousRecord)) +
        "\n";
  if (found.next && !found.next->label.empty())
    body += app.button({found.next->label, target.catalog, 0, false}, app.text(kNextRecord)) + "\n";
  body += app.button({"", target.catalog, 0, false}, app.text(kAllRecords)) + "\n";
  body += app.button({target.label, target.catalog, 0, false, true}, app.text(kEraseButton)) +
          "</div>\n";
  app.writePage(Markup::format(app.text(kRecordTitle), target.label), body);
}
