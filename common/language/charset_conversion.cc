// Charset conversion through Unicode code points.
#include "common/language/charset_conversion.h"

#include <vector>

#include "common/text/text.h"
#include "common/text/utf8.h"

namespace {

enum class Charset { Utf8, Latin1, Latin2, Other };

// The code points of ISO-8859-2 from 0xA0 on; the bytes below are ASCII
// and C1 controls, the same in ISO-8859-1.
constexpr char16_t kLatin2High[96] = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E, 0x0164,
    0x0179, 0x00AD, 0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102,
    0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170,
    0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

Charset charsetNamed(std::string_view name) {
  if (equalsIgnoreCase(name, "UTF-8") || equalsIgnoreCase(name, "utf8")) return Charset::Utf8;
  if (equalsIgnoreCase(name, "ISO-8859-1") || equalsIgnoreCase(name, "latin1"))
    return Charset::Latin1;
  if (equalsIgnoreCase(name, "ISO-8859-2") || equalsIgnoreCase(name, "latin2"))
    return Charset::Latin2;
  return Charset::Other;
}

constexpr char32_t kUnknown = U'?';

// One code point of UTF-8 at `text[at]`, advancing `at`.
char32_t nextUtf8(std::string_view text, size_t& at) {
  unsigned char lead = static_cast<unsigned char>(text[at++]);
  if (lead < 0x80) return lead;
  int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (more < 0 || lead > 0xF4) return kUnknown;
  char32_t code = lead & (0x3F >> more);
  for (int i = 0; i < more; ++i) {
    if (at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80) return kUnknown;
    code = (code << 6) | (static_cast<unsigned char>(text[at++]) & 0x3F);
  }
  return code;
}

std::vector<char32_t> decode(std::string_view text, Charset charset) {
  std::vector<char32_t> codes;
  for (size_t at = 0; at < text.size();) {
    if (charset == Charset::Utf8) {
      codes.push_back(nextUtf8(text, at));
      continue;
    }
    unsigned char byte = static_cast<unsigned char>(text[at++]);
    codes.push_back(charset == Charset::Latin2 && byte >= 0xA0 ? kLatin2High[byte - 0xA0] : byte);
  }
  return codes;
}

char singleByte(char32_t code, Charset charset) {
  if (code < 0xA0) return static_cast<char>(code);
  if (charset == Charset::Latin1) return code < 0x100 ? static_cast<char>(code) : '?';
  for (int i = 0; i < 96; ++i)
    if (kLatin2High[i] == code) return static_cast<char>(0xA0 + i);
  return '?';
}

}  // namespace

std::string convertCharset(std::string_view text, std::string_view from, std::string_view to) {
  Charset source = charsetNamed(from);
  Charset target = charsetNamed(to);
  if (source == Charset::Other || target == Charset::Other || source == target)
    return std::string(text);
  std::string out;
  for (char32_t code : decode(text, source)) {
    if (target == Charset::Utf8)
      appendUtf8(out, code);
    else
      out += singleByte(code, target);
  }
  return out;
}
