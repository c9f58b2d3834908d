// The group's catalogs and one catalog's records.
#include "show/catalog_pages.h"

#include <algorithm>

#include "common/language/date_time.h"
#include "common/storing/expiry.h"
#include "show/mail_status.h"
#include "show/quarantine_page.h"
#include "show/record_reader.h"
#include "show/show_application.h"
#include "show/show_texts.h"
#include "show/webhook_status.h"

namespace {

// Posted fields a row of the record list shows.
constexpr int kPreviewFields = 3;
constexpr size_t kPreviewLength = 60;
// Letters of the longest entity name ("&ccaron;" and its like).
constexpr size_t kLongestEntityName = 6;

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

long countRecords(RecordReader& reader, const CatalogFile& file) {
  long count = 0;
  reader.walk(CatalogFileList{file}, [&](const RecordPlace&, const Record*) {
    ++count;
    return true;
  });
  return count;
}

bool allDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int number(std::string_view digits) {
  int n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

// The description is outside text, or a message (Markup) for a whole series.
template <typename Description>
Markup catalogRow(ShowApplication& app, const Text& name, const Description& description,
                  long count) {
  ViewTarget list{"", name, 0, false};
  ViewTarget csv{"", name, 0, true};
  return Markup::format("<tr><td>%s</td><td>%s</td><td align=right>%ld</td><td>%s</td></tr>\n",
                        app.button(list, name), description, count,
                        app.button(csv, app.text(showTexts::kDownloadCsv)));
}

// The first few posted fields of a record, one per line.
Markup previewCell(const Record& record) {
  Markup cell;
  int shown = 0;
  for (const Field& field : record) {
    if (automaticFieldIndex(field.name) >= 0) continue;
    if (shown++ == kPreviewFields) break;
    if (!cell.empty()) cell += "<br>";
    cell += Markup::format("<b>%s</b>: %s", field.name, previewValue(field.value, kPreviewLength));
  }
  return cell;
}

Markup recordRow(ShowApplication& app, const RecordPlace& place, const Record& record,
                 bool withCatalog) {
  Markup row = "<tr><td>";
  if (!place.label.empty())
    row += app.button(ViewTarget{place.label, place.file->name, 0, false}, place.label);
  row += "</td>";
  if (withCatalog) row += Markup::format("<td>%s</td>", place.file->name);
  row += "<td>" + listDate(fieldValue(record, "&date"), app.currentIndex()) + "</td>";
  row += "<td>" + listTime(fieldValue(record, "&time"), app.currentIndex()) + "</td>";
  row += "<td>" + previewCell(record) + "</td></tr>\n";
  return row;
}

// Page buttons: the first and last page, the pages near the current one, and
// the previous and next page; gaps are shown as "...".
Markup pageLinks(ShowApplication& app, const Text& catalog, long page, long pages) {
  using namespace showTexts;
  Markup links = Markup::format("<div>%s:\n", app.text(kPage));
  if (page > 1) links += app.button({"", catalog, page - 1, false}, app.text(kPreviousPage)) + "\n";
  long last = 0;
  for (long p = 1; p <= pages; ++p) {
    if (p != 1 && p != pages && (p < page - 3 || p > page + 3)) continue;
    if (p > last + 1) links += "...\n";
    last = p;
    if (p == page) {
      links += Markup::format("<b>%ld</b>\n", p);
    } else {
      links += app.button({"", catalog, p, false}, Text::fromInt(p)) + "\n";
    }
  }
  if (page < pages) links += app.button({"", catalog, page + 1, false}, app.text(kNextPage)) + "\n";
  return links + "</div>\n";
}

// One page of a catalog's records.
struct RecordPage {
  long number = 1;
  long total = 0;            // records of the whole list
  List<RecordPlace> places;  // those of the page
  List<Record> records;      // read by the walk, or empty until read
};

long pageCount(long total) {
  return std::max(1L, (total + ShowApplication::kPageSize - 1) / ShowApplication::kPageSize);
}

// Counts every record and keeps those of page `number`.
void collectRecords(RecordReader& reader, const CatalogFileList& files, RecordPage& page) {
  long first = (page.number - 1) * ShowApplication::kPageSize;
  page.total = 0;
  page.places.clear();
  page.records.clear();
  reader.walk(files, [&](const RecordPlace& place, const Record* record) {
    long at = page.total++;
    if (at >= first && at < first + ShowApplication::kPageSize) {
      page.places.push_back(place);
      page.records.push_back(record ? *record : Record());
    }
    return true;
  });
}

// The page asked for; a page past the end gives the last one.
RecordPage collectPage(RecordReader& reader, const CatalogFileList& files, long number) {
  RecordPage page;
  page.number = number;
  collectRecords(reader, files, page);
  if (page.number > pageCount(page.total)) {
    page.number = pageCount(page.total);
    collectRecords(reader, files, page);
  }
  return page;
}

Markup recordTable(ShowApplication& app, RecordReader& reader, RecordPage& page, bool withCatalog) {
  using namespace showTexts;
  Markup table =
      Markup::format("<table border=1 cellpadding=4>\n<tr><th>%s</th>", app.text(kLabelColumn));
  if (withCatalog) table += Markup::format("<th>%s</th>", app.text(kCatalogColumn));
  table += Markup::format("<th>%s</th><th>%s</th><th>%s</th></tr>\n", app.text(kDateColumn),
                          app.text(kTimeColumn), app.text(kDataColumn));
  for (size_t i = 0; i < page.places.size(); ++i) {
    if (page.records[i].empty()) reader.read(page.places[i], page.records[i]);
    table += recordRow(app, page.places[i], page.records[i], withCatalog);
  }
  return table + "</table>\n";
}

// Rows of one catalog: a series once as a whole, then each period on disk.
Markup catalogRows(ShowApplication& app, RecordReader& reader, CatalogEntry& entry) {
  CatalogFileList files;
  app.catalogFiles().addCatalogFiles(files, entry.isSeries ? entry.name + "*" : entry.name, &entry);
  Markup rows;
  long total = 0;
  for (const CatalogFile& file : files) {
    long count = countRecords(reader, file);
    total += count;
    rows += catalogRow(app, file.name, file.description, count);
  }
  if (entry.isSeries)
    rows = catalogRow(app, entry.name + "*", app.text(showTexts::kAllPeriods), total) + rows;
  return rows;
}

Markup catalogTable(ShowApplication& app) {
  using namespace showTexts;
  RecordReader reader(app);
  Markup table = Markup::format(
      "<table border=1 cellpadding=4>\n<tr><th>%s</th><th>%s</th><th>%s</th><th></th></tr>\n",
      app.text(kCatalogColumn), app.text(kDescriptionColumn), app.text(kRecordsColumn));
  for (CatalogEntry& entry : app.group.catalogs) table += catalogRows(app, reader, entry);
  return table + "</table>\n";
}

const MessageTable& keptDaysText(long days, int languageIndex) {
  using showTexts::kKeptDays;
  if (languageIndex == 1) {
    long lastTwo = days % 100;
    return kKeptDays[lastTwo == 1 ? 0 : lastTwo == 2 ? 1 : lastTwo == 3 || lastTwo == 4 ? 2 : 3];
  }
  return kKeptDays[days == 1 ? 0 : 3];
}

Markup dayText(long day, int languageIndex) {
  return Markup(
      formatDate(dateOfDay(day), showTexts::kListDate.pick(languageIndex), languageIndex));
}

// How long a catalog keeps its records and when its oldest goes (the first
// day an expiry finds it older than that).
Markup retentionRow(ShowApplication& app, const RecordLayout& layout, CatalogEntry& entry) {
  using namespace showTexts;
  long days = app.options.retention.daysOf(entry.name.view());
  Markup kept = Markup::format("%s", app.text(kKeptForever)), goes;
  if (days > 0) {
    kept = Markup::format(app.text(keptDaysText(days, app.currentIndex())), days);
    CatalogFileList files;
    app.catalogFiles().addCatalogFiles(files, entry.isSeries ? entry.name + "*" : entry.name,
                                       &entry);
    std::optional<long> oldest = oldestRecordDay(files, layout);
    goes = oldest ? Markup::format(app.text(kOldestGoes),
                                   dayText(*oldest + days + 1, app.currentIndex()),
                                   dayText(*oldest, app.currentIndex()))
                  : Markup::format("%s", app.text(kNoDatedRecord));
  }
  return Markup::format("<tr><td>%s</td><td>%s</td><td>%s</td></tr>\n", entry.name, kept, goes);
}

// Only for a group that lets records go.
Markup retentionTable(ShowApplication& app) {
  using namespace showTexts;
  if (!app.options.retention.any(app.group.catalogs)) return Markup();
  RecordLayout layout = recordLayoutOf(app.group);
  Markup table = Markup::format(
      "<h2>%s</h2>\n<table border=1 cellpadding=4>\n<tr><th>%s</th><th>%s</th><th>%s</th></tr>\n",
      app.text(kRetentionTitle), app.text(kCatalogColumn), app.text(kKeptColumn),
      app.text(kOldestColumn));
  for (CatalogEntry& entry : app.group.catalogs) table += retentionRow(app, layout, entry);
  return table + "</table>\n";
}

}  // namespace

Text previewValue(std::string_view value, size_t limit) {
  size_t end = value.find('\n');
  bool cut = end != std::string_view::npos;
  if (end == std::string_view::npos) end = value.size();
  if (end > limit) {
    end = limit;
    cut = true;
    while (end > 0 && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80) --end;
    if (size_t amp = value.substr(0, end).rfind('&'); amp != std::string_view::npos) {
      std::string_view tail = value.substr(amp + 1, end - amp - 1);
      if (tail.size() <= kLongestEntityName && std::all_of(tail.begin(), tail.end(), isAsciiLetter))
        end = amp;
    }
  }
  return cut ? Text(value.substr(0, end)) + "..." : Text(value.substr(0, end));
}

Markup listDate(std::string_view stored, int languageIndex) {
  if (stored.size() == 8 && allDigits(stored)) {
    DateTime date{number(stored.substr(6, 2)), number(stored.substr(4, 2)),
                  number(stored.substr(0, 4)), 0, 0};
    if (date.month >= 1 && date.month <= 12 && date.day >= 1 && date.day <= 31)
      return Markup(formatDate(date, showTexts::kListDate.pick(languageIndex), languageIndex));
  }
  return Markup::format("%s", stored);
}

Markup listTime(std::string_view stored, int languageIndex) {
  if (stored.size() == 4 && allDigits(stored)) {
    DateTime time{0, 0, 0, number(stored.substr(0, 2)), number(stored.substr(2, 2))};
    if (time.hour < 24 && time.minute < 60)
      return Markup(formatDate(time, showTexts::kListTime.pick(languageIndex), languageIndex));
  }
  return Markup::format("%s", stored);
}

void writeGroupPage(ShowApplication& app) {
  using namespace showTexts;
  std::optional<bool> rotated = applyWebhookKeyAction(app);
  Markup name = Markup::format("<tt>%s</tt>", app.groupName);
  Markup body = Markup::format("<h1>%s</h1>\n", Markup::format(app.text(kGroupTitle), name));
  if (!app.group.description.empty()) body += Markup::format("<p>%s</p>\n", app.group.description);
  body += app.group.catalogs.empty() ? Markup::format("<p>%s</p>\n", app.text(kNoCatalogs))
                                     : catalogTable(app);
  body += retentionTable(app);
  body += quarantineButton(app);
  body += groupMailCounts(app);
  body += groupWebhookKey(app, rotated);
  app.writePage(Markup::format(app.text(kGroupTitle), app.groupName), body);
}

void writeListPage(ShowApplication& app, const CatalogFileList& files, const ViewTarget& target) {
  using namespace showTexts;
  RecordReader reader(app);
  RecordPage page = collectPage(reader, files, std::max(target.page, 1L));
  Markup name = Markup::format("<tt>%s</tt>", target.catalog);
  Markup body = Markup::format("<h1>%s</h1>\n", Markup::format(app.text(kCatalogTitle), name));
  if (files.size() == 1 && !files[0].description.empty())
    body += Markup::format("<p>%s</p>\n", files[0].description);
  if (page.total == 0) {
    body += Markup::format("<p>%s</p>\n", app.text(kNoRecords));
  } else {
    long first = (page.number - 1) * ShowApplication::kPageSize;
    long last = first + static_cast<long>(page.places.size());
    body += Markup::format("<p>%s</p>\n",
                           Markup::format(app.text(kRecordRange), first + 1, last, page.total));
    body += recordTable(app, reader, page, files.size() > 1);
    long pages = pageCount(page.total);
    if (pages > 1) body += pageLinks(app, target.catalog, page.number, pages);
  }
  body += "<div>" + app.button({"", target.catalog, 0, true}, app.text(kDownloadCsv)) + "\n";
  body += app.button({}, app.text(kAllCatalogs)) + "</div>\n";
  app.writePage(Markup::format(app.text(kCatalogTitle), target.catalog), body);
}
