// The login of the index builder: a rebuild rewrites index files, so it
// asks for the administrator's password as the settings pages and the record
// viewer do. The login form posts back to the very address that was refused
// (the group, the "form" and "catalog" parameters of its query and the language).
#include "common/access/admin_access.h"
#include "common/cgi/raw_fields.h"
#include "common/files/path.h"
#include "lunoder/index_application.h"

namespace {

constexpr MessageTable kLoginTitle{"Administrator Login", "Prijava administratorja"};
constexpr MessageTable kLoginHeading{"Rebuilding the index files of group <tt>%s</tt>",
                                     "Gradnja indeksnih datotek skupine <tt>%s</tt>"};
constexpr MessageTable kPasswordPrompt{"Please, enter your password", "Vnesite geslo"};

// Every value of the query parameter `name`, as "&name=value" items.
void addQueryValues(Text& query, const IndexApplication& app, std::string_view name) {
  const Param* param = app.queryParams().find(name);
  if (!param) return;
  query += Text("&") + name + "=" + percentEncode(param->value.view());
  for (const Text& value : param->further)
    query += Text("&") + name + "=" + percentEncode(value.view());
}

// The refused request's own address: the group and the catalogs it chose,
// and the language, but nothing else of its query (a password put there is
// not carried on).
Text loginAction(const IndexApplication& app) {
  Text query;
  addQueryValues(query, app, "form");
  addQueryValues(query, app, "catalog");
  if (!app.languageParam().empty())
    query += "&language=" + percentEncode(app.languageParam().view());
  Text action = app.CGIhome() + "lunoder.exe/" + percentEncode(app.groupName.view());
  if (!query.empty()) action += "?" + query.substring(1);
  return action;
}

void writeLoginPage(IndexApplication& app) {
  Text action = loginAction(app);
  app.print("<html>\n");
  app.writeHead(app.text(kLoginTitle));
  app.print("<body>\n");
  app.print("<form method=post action=\"%s\">\n", exactValue(action));
  app.print("<h1>%s</h1>\n", Markup::format(app.text(kLoginHeading), app.groupName));
  app.print("<hr>\n<p>\n%s:\n", app.text(kPasswordPrompt));
  app.print("<input type=password name=password>\n");
  app.print("<input type=submit value=\"  OK  \">\n");
  app.print("</form>\n<hr>\n</body>\n</html>\n");
}

}  // namespace

void IndexApplication::run() {
  bool admitted = admitAdministrator(*this, rawPostedField(rawBody().view(), "password").view());
  writeHeader("text/html");
  if (admitted) {
    buildIndexes();
  } else {
    writeLoginPage(*this);
  }
}
