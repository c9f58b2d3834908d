// Entity and coding tables. The byte cells are ISO 8859-2 (latin2), code page
// 852, Windows-1250 and the Yugoslav 7-bit ISO 646 variant for each letter.
#include "common/language/entities.h"

#include <cstring>
#include <string>

#include "common/text/utf8.h"

constinit const char* const kEntityNames[kEntityCount] = {
    "&ccaron;", "&scaron;", "&zcaron;", "&Ccaron;", "&Scaron;", "&Zcaron;", "&cacute;", "&Cacute;",
    "&dstrok;", "&Dstrok;", "&uuml;",   "&Uuml;",   "&ouml;",   "&Ouml;",   "&euml;",   "&Euml;",
    "&szlig;",  "&eacute;", "&Eacute;", "&egrave;", "&Egrave;", "&ecirc;",  "&Ecirc;",  "&acirc;",
    "&Acirc;",  "&ucirc;",  "&Ucirc;",  "&ccedil;", "&Ccedil;", "&rcaron;", "&Rcaron;", "&ntilde;",
    "&Ntilde;", "&otilde;", "&Otilde;", "&aelig;",  "&AElig;",  "&copy;"};

constinit const char* const kCodingNames[kCodingCount] = {"csz",    "7bit", "latin2", "cp852",
                                                          "cp1250", "tex",  "utf8",   "original"};

namespace {

constexpr int kCodePoints[kEntityCount] = {
    0x10D, 0x161, 0x17E, 0x10C, 0x160, 0x17D, 0x107, 0x106, 0x111, 0x110, 0xFC, 0xDC, 0xF6,
    0xD6,  0xEB,  0xCB,  0xDF,  0xE9,  0xC9,  0xE8,  0xC8,  0xEA,  0xCA,  0xE2, 0xC2, 0xFB,
    0xDB,  0xE7,  0xC7,  0x159, 0x158, 0xF1,  0xD1,  0xF5,  0xD5,  0xE6,  0xC6, 0xA9};

// Columns csz, 7bit, latin2, cp852, cp1250, tex; a null cell keeps the entity
// name itself (the browser renders it). utf8 and original follow a rule.
constexpr int kTableColumns = 6;
constexpr const char* kCells[kEntityCount][kTableColumns] = {
    {"c", "\x7E", "\xE8", "\x9F", "\xE8", "\"c"},
    {"s", "\x7B", "\xB9", "\xE7", "\x9A", "\"s"},
    {"z", "\x60", "\xBE", "\xA7", "\x9E", "\"z"},
    {"C", "\x5E", "\xC8", "\xAC", "\xC8", "\"C"},
    {"S", "\x5B", "\xA9", "\xE6", "\x8A", "\"S"},
    {"Z", "\x40", "\xAE", "\xA6", "\x8E", "\"Z"},
    {"c", "c", "\xE6", "\x86", "\xE6", "\\'{c}"},
    {"C", "C", "\xC6", "\x8F", "\xC6", "\\'{C}"},
    {"dz", "dz", "\xF0", "\xD0", "\xF0", "d\"z"},
    {"DZ", "Dz", "\xD0", "\xD1", "\xD0", "D\"z"},
    {nullptr, nullptr, nullptr, "\x81", nullptr, "\\\"{u}"},
    {nullptr, nullptr, nullptr, "\x9A", nullptr, "\\\"{U}"},
    {nullptr, nullptr, nullptr, "\x94", nullptr, "\\\"{o}"},
    {nullptr, nullptr, nullptr, "\x99", nullptr, "\\\"{O}"},
    {nullptr, nullptr, nullptr, "\x89", nullptr, "\\\"{e}"},
    {nullptr, nullptr, nullptr, "\xD3", nullptr, "\\\"{E}"},
    {nullptr, nullptr, nullptr, "\xE1", nullptr, "{\\ss}"},
    {nullptr, nullptr, nullptr, "\x82", nullptr, "\\'{e}"},
    {nullptr, nullptr, nullptr, "\x90", nullptr, "\\'{E}"},
    {nullptr, nullptr, nullptr, "e", "e", "\\`{e}"},
    {nullptr, nullptr, nullptr, "E", "E", "\\`{E}"},
    {nullptr, nullptr, nullptr, "e", "e", "\\^{e}"},
    {nullptr, nullptr, nullptr, "E", "E", "\\^{E}"},
    {nullptr, nullptr, nullptr, "\x83", nullptr, "\\^{a}"},
    {nullptr, nullptr, nullptr, "\xB6", nullptr, "\\^{A}"},
    {nullptr, nullptr, nullptr, "u", "u", "\\^{u}"},
    {nullptr, nullptr, nullptr, "U", "U", "\\^{U}"},
    {nullptr, nullptr, nullptr, "\x87", nullptr, "\\c{c}"},
    {nullptr, nullptr, nullptr, "\x80", nullptr, "\\c{C}"},
    {"r", "r", "\xF8", "\xFD", "\xF8", "\\v{r}"},
    {"R", "R", "\xD8", "\xFC", "\xD8", "\\v{R}"},
    {nullptr, nullptr, nullptr, "n", "n", "\\~{n}"},
    {nullptr, nullptr, nullptr, "N", "N", "\\~{N}"},
    {nullptr, nullptr, nullptr, "o", "o", "\\~{o}"},
    {nullptr, nullptr, nullptr, "O", "O", "\\~{O}"},
    {nullptr, nullptr, nullptr, "ae", "ae", "{\\ae}"},
    {nullptr, nullptr, nullptr, "AE", "AE", "{\\AE}"},
    {"\xA9", "\xA9", "(c)", "(c)", "\xA9", "(c)"},
};

constexpr int kUtf8Coding = 6;
constexpr int kOriginalCoding = 7;

// Index of the entity whose name starts `text`, trying the last name first.
int matchEntity(std::string_view text) {
  for (int e = kEntityCount - 1; e >= 0; --e) {
    std::string_view name = kEntityNames[e];
    if (text.substr(0, name.size()) == name) return e;
  }
  return -1;
}

// Appends `cell`, with its quotes as character references when `forPage`.
void appendCell(std::string& out, std::string_view cell, bool forPage) {
  if (!forPage) {
    out += cell;
    return;
  }
  for (char c : cell) {
    if (c == '"')
      out += "&quot;";
    else if (c == '\'')
      out += "&#39;";
    else
      out += c;
  }
}

void appendReplacement(std::string& out, int entity, int coding, bool forPage) {
  if (coding == kUtf8Coding) {
    out += "&#";
    out += std::to_string(kCodePoints[entity]);
    out += ';';
    return;
  }
  const char* cell = coding < kTableColumns ? kCells[entity][coding] : nullptr;
  appendCell(out, cell ? cell : kEntityNames[entity], forPage);
}

Text convert(std::string_view text, int coding, bool forPage) {
  if (coding < 0 || coding >= kCodingCount || coding == kOriginalCoding) return Text(text);
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    size_t amp = text.find('&', i);
    if (amp == std::string_view::npos) amp = text.size();
    out.append(text.data() + i, amp - i);
    i = amp;
    if (i >= text.size()) break;
    int entity = matchEntity(text.substr(i));
    if (entity < 0) {
      out += '&';
      ++i;
      continue;
    }
    appendReplacement(out, entity, coding, forPage);
    i += std::strlen(kEntityNames[entity]);
  }
  return Text(std::move(out));
}

}  // namespace

Text convertEntities(std::string_view text, int coding) { return convert(text, coding, false); }

Text convertEntitiesForPage(std::string_view text, int coding) {
  return convert(text, coding, true);
}

int entityCodePoint(std::string_view text, int* nameLength) {
  int entity = matchEntity(text);
  if (entity < 0) return 0;
  if (nameLength) *nameLength = static_cast<int>(std::strlen(kEntityNames[entity]));
  return kCodePoints[entity];
}

Text entitiesToUtf8(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    int length = 0;
    int codePoint = text[i] == '&' ? entityCodePoint(text.substr(i), &length) : 0;
    if (codePoint > 0) {
      appendUtf8(out, static_cast<unsigned>(codePoint));
      i += static_cast<size_t>(length);
    } else {
      out += text[i++];
    }
  }
  return Text(std::move(out));
}
