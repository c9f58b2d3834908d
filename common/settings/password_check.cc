// The password comparison and the raw posted field it reads.
#include "common/settings/password_check.h"

#include "common/text/param_list.h"

bool passwordMatches(std::string_view posted, std::string_view stored) {
  unsigned difference = posted.size() == stored.size() ? 0 : 1;
  for (size_t i = 0; i < stored.size(); ++i) {
    char typed = i < posted.size() ? posted[i] : '\0';
    difference |= static_cast<unsigned char>(upperAscii(typed) ^ upperAscii(stored[i]));
  }
  return difference == 0;
}

Text rawPostedField(std::string_view body, std::string_view name) {
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string_view::npos) end = body.size();
    Text item(body.substr(start, end - start));
    start = end + 1;
    long eq = item.findChar('=');
    if (eq < 0) continue;
    Text itemName = item.substring(0, eq), value = item.substring(eq + 1);
    urlDecode(itemName);
    if (!itemName.equalsIgnoreCase(name)) continue;
    urlDecode(value);
    value.removeChar('\r');
    if (!value.empty()) return value;
  }
  return Text();
}
