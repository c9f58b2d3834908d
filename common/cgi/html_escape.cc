// HTML escaping of outside data.
#include "common/cgi/html_escape.h"

namespace {

// The one escaping loop; `forAttribute` adds "&" and keeps "'" as it is.
Text escape(std::string_view text, bool forAttribute) {
  Text out;
  out.str().reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += forAttribute ? "&amp;" : "&"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += forAttribute ? "'" : "&#39;"; break;
      default: out += c; break;
    }
  }
  return out;
}

}  // namespace

Text escapeHtml(std::string_view text) { return escape(text, false); }

Text escapeAttribute(std::string_view text) { return escape(text, true); }
