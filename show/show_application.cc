// Admission and dispatch of the record viewer, and the pieces every page
// shares: the links that carry the password on, and the page frame.
#include "show/show_application.h"

#include "common/access/admin_access.h"
#include "common/cgi/cgi_streams.h"
#include "common/cgi/html_start.h"
#include "common/cgi/raw_fields.h"
#include "common/files/path.h"
#include "show/audit_page.h"
#include "show/catalog_pages.h"
#include "show/csv_export.h"
#include "show/login_page.h"
#include "show/metrics_page.h"
#include "show/person_page.h"
#include "show/quarantine_page.h"
#include "show/record_erasure.h"
#include "show/record_files.h"
#include "show/record_page.h"
#include "show/show_texts.h"

namespace {

// A page number: decimal digits only, at most nine of them; anything else is
// the first page.
long pageNumber(const Text& value) {
  if (value.empty() || value.length() > 9) return 1;
  long page = 0;
  for (long i = 0; i < value.length(); ++i) {
    if (value[i] < '0' || value[i] > '9') return 1;
    page = page * 10 + (value[i] - '0');
  }
  return page < 1 ? 1 : page;
}

void addQueryItem(Text& query, std::string_view name, std::string_view value) {
  if (value.empty()) return;
  if (!query.empty()) query += '&';
  query += name;
  query += '=';
  query += percentEncode(value);
}

}  // namespace

Text shortened(std::string_view text, size_t limit) {
  if (text.size() <= limit) return Text(text);
  return Text(text.substr(0, limit)) + "...";
}

ViewTarget ShowApplication::requested() const {
  ViewTarget target;
  target.label = queryParams().value("label");
  target.catalog = queryParams().value("catalog");
  if (queryParams().find("page")) target.page = pageNumber(queryParams().value("page"));
  target.csv = queryParams().value("format").equalsIgnoreCase("csv");
  target.erase = queryParams().value("erase") == "1";
  target.audit = queryParams().value("audit") == "1";
  target.metrics = queryParams().value("metrics") == "1";
  return target;
}

Markup ShowApplication::actionUrl(const ViewTarget& target) const {
  Text query;
  addQueryItem(query, "label", target.label);
  addQueryItem(query, "catalog", target.catalog);
  if (target.page > 0) addQueryItem(query, "page", Text::fromInt(target.page));
  if (target.csv) addQueryItem(query, "format", "csv");
  if (target.erase) addQueryItem(query, "erase", "1");
  if (target.audit) addQueryItem(query, "audit", "1");
  if (target.metrics) addQueryItem(query, "metrics", "1");
  addQueryItem(query, "language", languageParam());
  Text url = CGIhome() + "show.exe";
  if (!groupName.empty()) url += "/" + percentEncode(groupName);
  if (!query.empty()) url += "?" + query;
  return exactValue(url);
}

Markup ShowApplication::passwordButton(const Markup& action, const Markup& caption,
                                       const List<std::pair<const char*, Text>>& hidden) const {
  Markup form = Markup::format(
      "<form method=post action=\"%s\" style=\"display:inline\">"
      "<input type=hidden name=password value=\"%s\">",
      action, exactValue(settings.password));
  for (const auto& [name, value] : hidden)
    form +=
        Markup::format("<input type=hidden name=%s value=\"%s\">", Markup(name), exactValue(value));
  return form + Markup::format("<input type=submit value=\"%s\"></form>", caption);
}

// A language without charsets (English) cannot name one in the settings, and
// a browser reads the UTF-8 bytes of values that forms posted as
// windows-1252. Such a page's own text is unconverted ASCII, so it declares
// UTF-8; pages of the other language follow the charset of the settings.
void ShowApplication::writePage(const Markup& title, const Markup& body) {
  writeHtmlHeader();
  writeHtmlStart(*this);
  writeHead(title);
  writeDirect("<body>\n");
  write(body);
  writeDirect("</body>\n</html>\n");
}

void ShowApplication::writeHtmlHeader() {
  bool declareUtf8 = currentLanguage().charsetCount == 0;
  writeHeader(declareUtf8 ? "text/html; charset=utf-8" : "text/html");
}

void ShowApplication::run() {
  ViewTarget target = requested();
  if (target.metrics) {
    answerMetricsRequest(*this);
    return;
  }
  if (groupName.empty() && !target.audit) fatal(messages::kNoGroup);
  refusePersonInAddress(*this);
  if (!admitAdministrator(*this, rawPostedField(rawBody().view(), "password").view())) {
    writeLoginPage(*this);
    return;
  }
  if (postsPerson(*this)) {
    if (groupName.empty()) fatal(messages::kNoGroup);
    answerPersonRequest(*this);
    return;
  }
  // An HTML answer's header goes first, so that an error page met on the way
  // carries the header lines of these pages too; a download writes its own.
  if (!target.csv && !queryParams().find("file")) writeHtmlHeader();
  answer(target);
}

// Labels and catalog names are bounded before they reach any lookup; the
// catalog is resolved as the submission program resolves it, so a series
// member's digits are checked before they become part of a path.
void ShowApplication::answer(const ViewTarget& target) {
  if (target.audit) {
    writeAuditPage(*this);
    return;
  }
  if (asksForPersonForm(*this)) {
    writePersonForm(*this);
    return;
  }
  if (queryParams().find("quarantine")) {
    if (target.label.length() > kMaxNameLength)
      fatal(showTexts::kRecordNotFound, shortened(target.label, kMaxNameLength));
    writeQuarantinePage(*this, target.label, queryParams().value("quarantine"));
    return;
  }
  if (target.catalog.empty()) {
    writeGroupPage(*this);
    return;
  }
  if (target.catalog.length() > kMaxNameLength)
    fatal(messages::kCatalogNotFound, shortened(target.catalog, kMaxNameLength));
  CatalogFileList files;
  catalogFiles().addCatalogFiles(files, target.catalog);
  if (target.csv) {
    exportCsv(*this, files, target.catalog);
  } else if (!target.label.empty()) {
    if (target.label.length() > kMaxNameLength)
      fatal(showTexts::kRecordNotFound, shortened(target.label, kMaxNameLength));
    if (target.erase) {
      writeErasurePage(*this, files, target);
    } else if (const Param* file = queryParams().find("file")) {
      sendRecordFile(*this, files, target, file->value.view());
    } else {
      writeRecordPage(*this, files, target);
    }
  } else {
    writeListPage(*this, files, target);
  }
}
