// insert's answers besides the answer page.
#include "insert/submission_answer.h"

#include <initializer_list>

#include "common/access/cross_origin.h"
#include "common/cgi/cgi_streams.h"
#include "common/cgi/json_answer.h"

void refuseForeignOrigin(CatalogGroup& app) {
  if (originMayPost(app.options, requestOrigin(app), ownOrigin(app))) return;
  countSubmission(app, "refused_origin");
  app.setStatus("403 Forbidden");
  app.fatal(messages::kForeignOrigin);
}

Text checkedRedirect(CatalogGroup& app, std::string_view formName) {
  Text address = app.options.redirectFor(formName);
  if (address.empty() || isAcceptableRedirect(address)) return address;
  bool ownSetting = false;
  for (const Param& entry : app.options.formRedirects)
    ownSetting = ownSetting || entry.name.equalsIgnoreCase(formName);
  app.fatal(messages::kBadRedirect, ownSetting ? "redirect." + Text(formName) : Text("redirect"));
}

bool isAcceptableRedirect(std::string_view address) {
  for (char c : address) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F || c == '\\') return false;
  }
  Text text(address);
  for (std::string_view scheme : {"http://", "https://"}) {
    if (text.startsWith(scheme, false)) return address.size() > scheme.size();
  }
  return address.size() >= 1 && address[0] == '/' && (address.size() == 1 || address[1] != '/');
}

namespace {

// `address` with "name=value" added to its query, before a fragment.
Text withQueryParam(std::string_view address, std::string_view name, std::string_view value) {
  size_t hash = address.find('#');
  std::string_view front = address.substr(0, hash);
  std::string_view fragment = hash == std::string_view::npos ? "" : address.substr(hash);
  Text location(front);
  location += front.find('?') == std::string_view::npos ? "?" : "&";
  location += name;
  location += "=";
  location += percentEncode(value);
  location += fragment;
  return location;
}

}  // namespace

Text redirectLocation(std::string_view address, std::string_view label) {
  return withQueryParam(address, "label", label);
}

Text pendingLocation(std::string_view address) { return withQueryParam(address, "pending", "1"); }

void answerJson(CgiPage& page, std::string_view label, std::string_view catalog) {
  page.writeHeader(kJsonContentType);
  page.writeDirect(JsonObject()
                       .addBool("ok", true)
                       .addString("label", label)
                       .addString("catalog", catalog)
                       .text());
}

// The page is for clients that do not follow the redirect themselves.
void answerRedirect(CgiPage& page, const Text& location) {
  page.setStatus("303 See Other");
  page.writeHeader("text/html", "Location: " + location + "\n");
  page.print("<html>\n<body>\n<a href=\"%s\">%s</a>\n</body>\n</html>\n", exactValue(location),
             location);
}
