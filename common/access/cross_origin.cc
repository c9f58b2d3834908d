// The Origin rules of posts from scripts.
#include "common/access/cross_origin.h"

#include "common/files/path.h"

namespace {

// Lower case, without the default port of its scheme.
Text normalizedOrigin(std::string_view origin) {
  Text text(origin);
  text.toLower();
  if (text.startsWith("http://") && text.view().ends_with(":80")) text.erase(text.length() - 3);
  if (text.startsWith("https://") && text.view().ends_with(":443")) text.erase(text.length() - 4);
  return text;
}

bool isPlainOrigin(std::string_view origin) {
  if (origin.empty() || origin.size() > 300) return false;
  for (char c : origin) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F) return false;
  }
  return true;
}

}  // namespace

Text requestOrigin(const CgiRequest& request) { return request.requestVariable("HTTP_ORIGIN"); }

Text ownOrigin(const CgiRequest& request) {
  Text https = request.requestVariable("HTTPS");
  return Text(https.equalsIgnoreCase("on") ? "https://" : "http://") +
         request.requestVariable("HTTP_HOST");
}

bool isOwnOrigin(std::string_view origin, std::string_view own) {
  return !own.ends_with("://") && normalizedOrigin(origin) == normalizedOrigin(own);
}

bool originMayPost(const GroupOptions& options, std::string_view origin, std::string_view own) {
  if (options.allowedOrigins.empty() || origin.empty()) return true;
  return options.allowsOrigin(origin) || isOwnOrigin(origin, own);
}

Text crossOriginHeaderLines(const GroupOptions& options, std::string_view origin) {
  if (!isPlainOrigin(origin) || !options.allowsOrigin(origin)) return Text();
  return Text::format("Access-Control-Allow-Origin: %s\nVary: Origin\n", origin);
}
