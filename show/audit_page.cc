// The page of the audit log's latest entries.
#include "show/audit_page.h"

#include "common/access/audit_log.h"
#include "show/show_application.h"
#include "show/show_texts.h"

namespace {

constexpr MessageTable kAuditTitle{"Audit log", "Revizijska sled"};
constexpr MessageTable kAuditLatest{
    "The latest %ld entries, newest first. The latest hash of the chain is <tt>%s</tt>: note it "
    "elsewhere, since a log cut short or rewritten whole shows only against an earlier hash.",
    "Zadnjih %ld vnosov, najnovej&scaron;i prvi. Zadnji zgo&scaron;&ccaron;eni niz verige je "
    "<tt>%s</tt>: zapi&scaron;ite si ga drugam, saj se skraj&scaron;ana ali v celoti na novo "
    "zapisana sled poka&zcaron;e le ob primerjavi s prej&scaron;njim nizom."};
constexpr MessageTable kAuditEmpty{"The audit log holds no entries yet.",
                                   "Revizijska sled &scaron;e nima vnosov."};
constexpr MessageTable kAuditColumns[] = {
    {"Time (UTC)", "&Ccaron;as (UTC)"},
    {"Program", "Program"},
    {"Address", "Naslov"},
    {"Outcome", "Izid"},
    {"Action", "Dejanje"},
    {"Group", "Skupina"},
    {"Catalog", "Katalog"},
    {"Label or count", "Oznaka ali &scaron;tevilo"},
};

Markup headingRow(ShowApplication& app) {
  Markup row = "<tr>";
  for (const MessageTable& title : kAuditColumns)
    row += Markup::format("<th>%s</th>", app.text(title));
  return row + "</tr>\n";
}

// A line whose columns do not read is shown whole in its first cell.
Markup entryRow(const std::string& line) {
  std::vector<std::string_view> columns = auditLineColumns(line);
  if (columns.empty())
    return Markup::format("<tr><td colspan=8>%s</td></tr>\n", Text(std::string_view(line)));
  Markup row = "<tr>";
  for (size_t i = 0; i + 1 < columns.size(); ++i)
    row += Markup::format("<td>%s</td>", Text(columns[i]));
  return row + "</tr>\n";
}

}  // namespace

void writeAuditPage(ShowApplication& app) {
  AuditTail tail = latestAuditLines(app.home().str(), kAuditPageEntries);
  Markup body = Markup::format("<h1>%s</h1>\n", app.text(kAuditTitle));
  if (tail.lines.empty()) {
    body += Markup::format("<p>%s</p>\n", app.text(kAuditEmpty));
  } else {
    body += Markup::format(
        "<p>%s</p>\n", Markup::format(app.text(kAuditLatest), static_cast<long>(tail.lines.size()),
                                      Text(tail.latestHash)));
    body += "<table border=1 cellpadding=3>\n" + headingRow(app);
    for (auto line = tail.lines.rbegin(); line != tail.lines.rend(); ++line)
      body += entryRow(*line);
    body += "</table>\n";
  }
  if (!app.groupName.empty())
    body += Markup::format(
        "<div>%s</div>\n",
        app.button(ViewTarget{}, Markup::format(app.text(showTexts::kGroupTitle), app.groupName)));
  app.writePage(app.text(kAuditTitle), body);
}
