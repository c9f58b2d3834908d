// Character conversion: every cell of the eight coding tables, the matching
// rules (last name first, case-sensitive, never rescanned), the page
// conversion that never adds a quote, and the rows of the language table.
#include "common/language/entities.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/cgi/html_escape.h"
#include "common/language/language.h"
#include "common/text/param_list.h"
#include "support/text_print.h"

namespace {

// One entity with its replacement in csz, 7bit, latin2, cp852, cp1250, tex,
// utf8 and original, in that order.
struct EntityRow {
  const char* entity;
  const char* cells[kCodingCount];
};

constexpr EntityRow kTable[kEntityCount] = {
    {"&ccaron;", {"c", "~", "\xE8", "\x9F", "\xE8", "\"c", "&#269;", "&ccaron;"}},
    {"&scaron;", {"s", "{", "\xB9", "\xE7", "\x9A", "\"s", "&#353;", "&scaron;"}},
    {"&zcaron;", {"z", "`", "\xBE", "\xA7", "\x9E", "\"z", "&#382;", "&zcaron;"}},
    {"&Ccaron;", {"C", "^", "\xC8", "\xAC", "\xC8", "\"C", "&#268;", "&Ccaron;"}},
    {"&Scaron;", {"S", "[", "\xA9", "\xE6", "\x8A", "\"S", "&#352;", "&Scaron;"}},
    {"&Zcaron;", {"Z", "@", "\xAE", "\xA6", "\x8E", "\"Z", "&#381;", "&Zcaron;"}},
    {"&cacute;", {"c", "c", "\xE6", "\x86", "\xE6", "\\'{c}", "&#263;", "&cacute;"}},
    {"&Cacute;", {"C", "C", "\xC6", "\x8F", "\xC6", "\\'{C}", "&#262;", "&Cacute;"}},
    {"&dstrok;", {"dz", "dz", "\xF0", "\xD0", "\xF0", "d\"z", "&#273;", "&dstrok;"}},
    {"&Dstrok;", {"DZ", "Dz", "\xD0", "\xD1", "\xD0", "D\"z", "&#272;", "&Dstrok;"}},
    {"&uuml;", {"&uuml;", "&uuml;", "&uuml;", "\x81", "&uuml;", "\\\"{u}", "&#252;", "&uuml;"}},
    {"&Uuml;", {"&Uuml;", "&Uuml;", "&Uuml;", "\x9A", "&Uuml;", "\\\"{U}", "&#220;", "&Uuml;"}},
    {"&ouml;", {"&ouml;", "&ouml;", "&ouml;", "\x94", "&ouml;", "\\\"{o}", "&#246;", "&ouml;"}},
    {"&Ouml;", {"&Ouml;", "&Ouml;", "&Ouml;", "\x99", "&Ouml;", "\\\"{O}", "&#214;", "&Ouml;"}},
    {"&euml;", {"&euml;", "&euml;", "&euml;", "\x89", "&euml;", "\\\"{e}", "&#235;", "&euml;"}},
    {"&Euml;", {"&Euml;", "&Euml;", "&Euml;", "\xD3", "&Euml;", "\\\"{E}", "&#203;", "&Euml;"}},
    {"&szlig;",
     {"&szlig;", "&szlig;", "&szlig;", "\xE1", "&szlig;", "{\\ss}", "&#223;", "&szlig;"}},
    {"&eacute;",
     {"&eacute;", "&eacute;", "&eacute;", "\x82", "&eacute;", "\\'{e}", "&#233;", "&eacute;"}},
    {"&Eacute;",
     {"&Eacute;", "&Eacute;", "&Eacute;", "\x90", "&Eacute;", "\\'{E}", "&#201;", "&Eacute;"}},
    {"&egrave;", {"&egrave;", "&egrave;", "&egrave;", "e", "e", "\\`{e}", "&#232;", "&egrave;"}},
    {"&Egrave;", {"&Egrave;", "&Egrave;", "&Egrave;", "E", "E", "\\`{E}", "&#200;", "&Egrave;"}},
    {"&ecirc;", {"&ecirc;", "&ecirc;", "&ecirc;", "e", "e", "\\^{e}", "&#234;", "&ecirc;"}},
    {"&Ecirc;", {"&Ecirc;", "&Ecirc;", "&Ecirc;", "E", "E", "\\^{E}", "&#202;", "&Ecirc;"}},
    {"&acirc;",
     {"&acirc;", "&acirc;", "&acirc;", "\x83", "&acirc;", "\\^{a}", "&#226;", "&acirc;"}},
    {"&Acirc;",
     {"&Acirc;", "&Acirc;", "&Acirc;", "\xB6", "&Acirc;", "\\^{A}", "&#194;", "&Acirc;"}},
    {"&ucirc;", {"&ucirc;", "&ucirc;", "&ucirc;", "u", "u", "\\^{u}", "&#251;", "&ucirc;"}},
    {"&Ucirc;", {"&Ucirc;", "&Ucirc;", "&Ucirc;", "U", "U", "\\^{U}", "&#219;", "&Ucirc;"}},
    {"&ccedil;",
     {"&ccedil;", "&ccedil;", "&ccedil;", "\x87", "&ccedil;", "\\c{c}", "&#231;", "&ccedil;"}},
    {"&Ccedil;",
     {"&Ccedil;", "&Ccedil;", "&Ccedil;", "\x80", "&Ccedil;", "\\c{C}", "&#199;", "&Ccedil;"}},
    {"&rcaron;", {"r", "r", "\xF8", "\xFD", "\xF8", "\\v{r}", "&#345;", "&rcaron;"}},
    {"&Rcaron;", {"R", "R", "\xD8", "\xFC", "\xD8", "\\v{R}", "&#344;", "&Rcaron;"}},
    {"&ntilde;", {"&ntilde;", "&ntilde;", "&ntilde;", "n", "n", "\\~{n}", "&#241;", "&ntilde;"}},
    {"&Ntilde;", {"&Ntilde;", "&Ntilde;", "&Ntilde;", "N", "N", "\\~{N}", "&#209;", "&Ntilde;"}},
    {"&otilde;", {"&otilde;", "&otilde;", "&otilde;", "o", "o", "\\~{o}", "&#245;", "&otilde;"}},
    {"&Otilde;", {"&Otilde;", "&Otilde;", "&Otilde;", "O", "O", "\\~{O}", "&#213;", "&Otilde;"}},
    {"&aelig;", {"&aelig;", "&aelig;", "&aelig;", "ae", "ae", "{\\ae}", "&#230;", "&aelig;"}},
    {"&AElig;", {"&AElig;", "&AElig;", "&AElig;", "AE", "AE", "{\\AE}", "&#198;", "&AElig;"}},
    {"&copy;", {"\xA9", "\xA9", "(c)", "(c)", "\xA9", "(c)", "&#169;", "&copy;"}},
};

int coding(const char* name) { return kLanguages[kSlovenian].findCoding(name); }

std::string converted(std::string_view text, const char* codingName) {
  return convertEntities(text, coding(codingName)).str();
}

}  // namespace

TEST(EntityTable, NamesAreTheThirtyEightInOrder) {
  for (int e = 0; e < kEntityCount; ++e) EXPECT_STREQ(kEntityNames[e], kTable[e].entity) << e;
}

TEST(EntityTable, EveryCellOfEveryCoding) {
  for (int c = 0; c < kCodingCount; ++c)
    for (int e = 0; e < kEntityCount; ++e)
      EXPECT_EQ(convertEntities(kTable[e].entity, c).str(), kTable[e].cells[c])
          << kCodingNames[c] << " " << kTable[e].entity;
}

TEST(EntityTable, EveryCellInsideText) {
  for (int c = 0; c < kCodingCount; ++c)
    for (int e = 0; e < kEntityCount; ++e)
      EXPECT_EQ(convertEntities(std::string("<") + kTable[e].entity + ">", c).str(),
                std::string("<") + kTable[e].cells[c] + ">")
          << kCodingNames[c] << " " << kTable[e].entity;
}

TEST(EntityTable, NoReplacementIsLongerThanItsName) {
  for (int c = 0; c < kCodingCount; ++c)
    for (int e = 0; e < kEntityCount; ++e)
      EXPECT_LE(std::string(kTable[e].cells[c]).size(), std::string(kTable[e].entity).size());
}

TEST(EntityTable, CodePointsForTheOtherDirection) {
  int length = 0;
  EXPECT_EQ(entityCodePoint("&Ccaron;et", &length), 0x10C);
  EXPECT_EQ(length, 8);
  EXPECT_EQ(entityCodePoint("&copy", &length), 0);
  EXPECT_EQ(entityCodePoint("&amp;", nullptr), 0);
}

TEST(Conversion, ScaronInTheCodings) {
  EXPECT_EQ(converted("&Scaron;tevec", "csz"), "Stevec");
  EXPECT_EQ(converted("&Scaron;tevec", "7bit"), "[tevec");
  EXPECT_EQ(converted("&Scaron;tevec", "latin2"), "\xA9tevec");
  EXPECT_EQ(converted("&Scaron;tevec", "tex"), "\"Stevec");
  EXPECT_EQ(converted("&Scaron;tevec", "utf8"), "&#352;tevec");
  EXPECT_EQ(converted("&Scaron;tevec", "original"), "&Scaron;tevec");
}

TEST(Conversion, LettersTheCodingCannotShow) {
  EXPECT_EQ(converted("&uuml;", "cp1250"), "&uuml;");
  EXPECT_EQ(converted("&egrave;", "cp1250"), "e");
  EXPECT_EQ(converted("&copy;", "cp1250"), "\xA9");
  EXPECT_EQ(converted("&copy;", "latin2"), "(c)");
}

TEST(Conversion, NearMissesPassUnchanged) {
  EXPECT_EQ(converted("&ccaron", "cp1250"), "&ccaron");
  EXPECT_EQ(converted("&&ccaron;", "cp1250"), "&\xE8");
  EXPECT_EQ(converted("&CCARON;", "cp1250"), "&CCARON;");
  EXPECT_EQ(converted("&amp;&lt;&#269;<b>", "csz"), "&amp;&lt;&#269;<b>");
  EXPECT_EQ(converted("&", "csz"), "&");
  EXPECT_EQ(converted("", "csz"), "");
}

TEST(Conversion, CaseSelectsTheLetter) {
  EXPECT_EQ(converted("&ccaron;&Ccaron;", "cp852"), "\x9F\xAC");
}

TEST(Conversion, ReplacementsAreNotScannedAgain) {
  // utf8 writes "&#..." and original writes the name again; neither is read twice.
  EXPECT_EQ(converted("&ccaron;caron;", "utf8"), "&#269;caron;");
  EXPECT_EQ(converted("&&scaron;ccaron;", "original"), "&&scaron;ccaron;");
  // In csz the letter c lands between "&" and "caron;": a new name that stays.
  EXPECT_EQ(converted("&&ccaron;caron;", "csz"), "&ccaron;");
}

TEST(Conversion, BinaryBytesPass) {
  std::string bytes("\0\x80\xFF&\xE8", 5);
  EXPECT_EQ(converted(bytes + "&zcaron;", "latin2"), bytes + "\xBE");
}

TEST(Conversion, NoCodingLeavesTheText) {
  EXPECT_EQ(convertEntities("&ccaron;", -1).str(), "&ccaron;");
  EXPECT_EQ(convertEntities("&ccaron;", kCodingCount).str(), "&ccaron;");
}

// ---- the conversion that pages are written with -----------------------------

// A cell as a page writes it: its quotes as character references.
std::string pageCell(std::string_view cell) {
  std::string out;
  for (char c : cell) out += c == '"' ? "&quot;" : c == '\'' ? "&#39;" : std::string(1, c);
  return out;
}

TEST(PageConversion, EveryCellWithItsQuotesAsReferences) {
  for (int c = 0; c < kCodingCount; ++c)
    for (int e = 0; e < kEntityCount; ++e)
      EXPECT_EQ(convertEntitiesForPage(kTable[e].entity, c).str(), pageCell(kTable[e].cells[c]))
          << kCodingNames[c] << " " << kTable[e].entity;
  EXPECT_EQ(convertEntitiesForPage("&Scaron;tevec", coding("tex")).str(), "&quot;Stevec");
  EXPECT_EQ(convertEntitiesForPage("\"a\"'b' &cacute;", coding("tex")).str(),
            "\"a\"'b' \\&#39;{c}");
}

// The characters that end an attribute or open a tag.
std::string markupCharacters(std::string_view text) {
  std::string found;
  for (char c : text)
    if (c == '<' || c == '>' || c == '"' || c == '\'') found += c;
  return found;
}

// Every letter a visitor can post, as its entity name, its quote-letter pair
// and inside quotes of both kinds, escaped as a page escapes it and converted
// by each coding. Text escaping leaves none of those characters, and no
// coding may give one back (attribute escaping keeps the apostrophe, since
// attributes are written in double quotes: conversion must add none).
TEST(PageConversion, VisitorTextNeverGainsMarkupCharacters) {
  std::vector<std::string> posted = {"\"c\"s\"z\"C\"S\"Z", "\"\"c", "\"'<>"};
  for (const EntityRow& row : kTable) {
    posted.push_back(row.entity);
    posted.push_back(std::string("\"") + row.entity + "'" + row.entity + "\"");
  }
  for (int c = -1; c < kCodingCount; ++c) {
    for (const std::string& raw : posted) {
      Text value(raw);
      expandQuotedLetters(value);
      const char* codingName = c < 0 ? "none" : kCodingNames[c];
      std::string inText = convertEntitiesForPage(escapeHtml(value.view()).view(), c).str();
      EXPECT_EQ(markupCharacters(inText), "") << codingName << " " << raw << " -> " << inText;
      Text attribute = escapeAttribute(value.view());
      std::string inAttribute = convertEntitiesForPage(attribute.view(), c).str();
      EXPECT_EQ(markupCharacters(inAttribute), markupCharacters(attribute.view()))
          << codingName << " " << raw << " -> " << inAttribute;
      EXPECT_EQ(markupCharacters(inAttribute).find('"'), std::string::npos);
    }
  }
}

TEST(LanguageTable, TwoRowsAsPublished) {
  EXPECT_STREQ(kLanguages[0].shortName, "eng");
  EXPECT_STREQ(kLanguages[0].longName, "english");
  EXPECT_STREQ(kLanguages[0].dateFormat, "-W, -n -d, -Y");
  EXPECT_STREQ(kLanguages[0].timeFormat, "-i:-T -p");
  EXPECT_EQ(kLanguages[0].codingCount, 0);
  EXPECT_EQ(kLanguages[0].charsetCount, 0);
  EXPECT_STREQ(kLanguages[1].shortName, "slo");
  EXPECT_STREQ(kLanguages[1].longName, "slovenski");
  EXPECT_STREQ(kLanguages[1].dateFormat, "-C, -d. -E -Y");
  EXPECT_STREQ(kLanguages[1].timeFormat, "-h:-T");
  EXPECT_EQ(kLanguages[1].codingCount, 8);
  EXPECT_EQ(kLanguages[1].entityCount, 38);
  const char* codings[] = {"csz", "7bit", "latin2", "cp852", "cp1250", "tex", "utf8", "original"};
  for (int i = 0; i < 8; ++i) EXPECT_STREQ(kLanguages[1].codingNames[i], codings[i]);
  ASSERT_EQ(kLanguages[1].charsetCount, 3);
  EXPECT_STREQ(kLanguages[1].charsetNames[0], "ISO-8859-1");
  EXPECT_STREQ(kLanguages[1].charsetNames[1], "ISO-8859-2");
  EXPECT_STREQ(kLanguages[1].charsetNames[2], "UTF-8");
}

TEST(LanguageTable, SearchesIgnoreAsciiCase) {
  EXPECT_EQ(findLanguage("SLO"), 1);
  EXPECT_EQ(findLanguage("Eng"), 0);
  EXPECT_EQ(findLanguage("slovenski"), -1);
  EXPECT_EQ(findLanguage(""), -1);
  EXPECT_EQ(kLanguages[1].findCoding("CP1250"), 4);
  EXPECT_EQ(kLanguages[1].findCoding("cp-1250"), -1);
  EXPECT_EQ(kLanguages[1].findCharset("utf-8"), 2);
  EXPECT_EQ(kLanguages[1].findCharset(""), -1);
  EXPECT_EQ(kLanguages[0].findCoding("csz"), -1);
  EXPECT_EQ(kLanguages[0].findCharset("UTF-8"), -1);
}
