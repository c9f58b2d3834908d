// UTF-8 conversion and the 7-bit encodings of a mail.
#include "common/mail/mail_text.h"

#include <string>

#include "common/language/charset_conversion.h"
#include "common/language/entities.h"
#include "common/text/base64.h"
#include "common/text/utf8.h"

namespace {

constexpr char kHex[] = "0123456789ABCDEF";
constexpr size_t kLineLimit = 76;

bool literalInBody(unsigned char c) {
  return (c >= 33 && c <= 126 && c != '=') || c == ' ' || c == '\t';
}

void appendEscaped(std::string& out, unsigned char c) {
  out += '=';
  out += kHex[c >> 4];
  out += kHex[c & 15];
}

// One line of the body (without its end), broken by soft breaks.
void appendQuotedLine(std::string& out, std::string_view line) {
  size_t width = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    bool last = i + 1 == line.size();
    // A blank at a line's end would be lost to transports that trim lines.
    bool literal = literalInBody(c) && !(last && (c == ' ' || c == '\t'));
    size_t length = literal ? 1 : 3;
    // Room for the soft break "=" unless this is the line's last piece.
    if (width + length > kLineLimit - (last ? 0 : 1)) {
      out += "=\r\n";
      width = 0;
    }
    if (literal) {
      out += static_cast<char>(c);
    } else {
      appendEscaped(out, c);
    }
    width += length;
  }
}

// The length of the UTF-8 sequence that `lead` begins (1 for a stray byte).
size_t sequenceLength(unsigned char lead) {
  return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

}  // namespace

Text mailUtf8(std::string_view text, std::string_view charset) {
  std::string_view from = equalsIgnoreCase(charset, "ISO-8859-2") ? "ISO-8859-2" : "ISO-8859-1";
  Text letters = isUtf8(text) ? Text(text) : Text(convertCharset(text, from, "UTF-8"));
  return entitiesToUtf8(letters.view());
}

Text quotedPrintable(std::string_view utf8) {
  std::string out;
  size_t at = 0;
  while (at <= utf8.size()) {
    size_t feed = utf8.find('\n', at);
    size_t end = feed == std::string_view::npos ? utf8.size() : feed;
    std::string_view line = utf8.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    appendQuotedLine(out, line);
    if (feed == std::string_view::npos) break;
    out += "\r\n";
    at = feed + 1;
  }
  return Text(std::move(out));
}

Text encodedWords(std::string_view utf8) {
  bool plain = true;
  for (char c : utf8) plain = plain && c >= 32 && c <= 126;
  if (plain) return Text(utf8);
  // 75 characters: "=?UTF-8?B?" and "?=" leave 63 for base64, 45 bytes.
  constexpr size_t kWordBytes = 45;
  std::string out;
  for (size_t at = 0; at < utf8.size();) {
    size_t end = at;
    while (end < utf8.size()) {
      size_t next = end + sequenceLength(static_cast<unsigned char>(utf8[end]));
      if (next - at > kWordBytes) break;
      end = std::min(next, utf8.size());
    }
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + base64Encode(utf8.substr(at, end - at)).str() + "?=";
    at = end;
  }
  return Text(std::move(out));
}

Text mailDate(std::time_t when) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm utc{};
  gmtime_r(&when, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday],
                utc.tm_mday, kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                utc.tm_sec);
  return Text(text);
}
