// ParamList and the request decoders: URL decoding with its malformed rows,
// item splitting, quote-letter expansion, value normalisation and the
// multi-value rules, also for very large requests.
#include "common/text/param_list.h"

#include <gtest/gtest.h>

#include <string>

#include "support/text_print.h"

namespace {

std::string decoded(const std::string& input) {
  Text t(input);
  urlDecode(t);
  return t.str();
}

std::string expanded(const std::string& input) {
  Text t(input);
  expandQuotedLetters(t);
  return t.str();
}

// The list as "name=value|further|...;" per entry, in list order.
std::string dump(const ParamList& list) {
  std::string out;
  for (const Param& p : list) {
    out += p.name.str() + "=" + p.value.str();
    for (const Text& v : p.further) out += "|" + v.str();
    out += ";";
  }
  return out;
}

ParamList parsed(const std::string& text) {
  ParamList list;
  parseParams(text, '&', list);
  return list;
}

}  // namespace

struct DecodeRow {
  const char* input;
  std::string expected;
};

class UrlDecodeTable : public testing::TestWithParam<DecodeRow> {};

TEST_P(UrlDecodeTable, DecodesRow) { EXPECT_EQ(decoded(GetParam().input), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Rows, UrlDecodeTable,
    testing::Values(DecodeRow{"", ""}, DecodeRow{"plain", "plain"}, DecodeRow{"a+b", "a b"},
                    DecodeRow{"%41%62", "Ab"}, DecodeRow{"%4a%4A", "JJ"}, DecodeRow{"%", ""},
                    DecodeRow{"%9", "9"}, DecodeRow{"%4", "4"}, DecodeRow{"50%", "50"},
                    DecodeRow{"foo%zubar", "foozubar"}, DecodeRow{"%g1", "g1"},
                    DecodeRow{"%1g", "1g"}, DecodeRow{"%00", std::string("\0", 1)},
                    DecodeRow{"a%00b", std::string("a\0b", 3)}, DecodeRow{"%ff%80", "\xFF\x80"},
                    DecodeRow{"%2B", "+"}, DecodeRow{"%%41", "A"}, DecodeRow{"%%", ""},
                    DecodeRow{"%25", "%"}, DecodeRow{"%2525", "%25"},
                    DecodeRow{"\xC8\x80+", "\xC8\x80 "}));

TEST(PercentEncode, KeepsUnreservedAndEncodesTheRest) {
  EXPECT_EQ(percentEncode("slo,cp1250,ISO-8859-2").str(), "slo,cp1250,ISO-8859-2");
  EXPECT_EQ(percentEncode("a b&c=\"<>'%").str(), "a%20b%26c%3D%22%3C%3E%27%25");
  EXPECT_EQ(percentEncode("d#e?f/g+").str(), "d%23e%3Ff%2Fg%2B");
  EXPECT_EQ(percentEncode(std::string("\0\xFF", 2)).str(), "%00%FF");
  EXPECT_EQ(percentEncode("").str(), "");
}

TEST(PercentEncode, DecodesBackToTheSameBytes) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  Text round = percentEncode(all);
  urlDecode(round);
  EXPECT_EQ(round.str(), all);
}

TEST(ExpandQuotedLetters, SixLettersBecomeEntityNames) {
  EXPECT_EQ(expanded("\"c\"s\"z\"C\"S\"Z"), "&ccaron;&scaron;&zcaron;&Ccaron;&Scaron;&Zcaron;");
  EXPECT_EQ(expanded("Ko\"sarka"), "Ko&scaron;arka");
}

TEST(ExpandQuotedLetters, DoubledQuoteBecomesOne) {
  EXPECT_EQ(expanded("\"c\"\""), "&ccaron;\"");
  EXPECT_EQ(expanded("\"\"c"), "\"c");  // the remaining quote is not read again
  EXPECT_EQ(expanded("\"\"\"c"), "\"&ccaron;");
}

TEST(ExpandQuotedLetters, OtherQuotesStay) {
  EXPECT_EQ(expanded("\"a\" \"x"), "\"a\" \"x");
  EXPECT_EQ(expanded("end\""), "end\"");
  EXPECT_EQ(expanded("\""), "\"");
  EXPECT_EQ(expanded("no quotes"), "no quotes");
}

TEST(ParseParams, RepeatedNameCollectsFurtherValues) {
  ParamList list = parsed("a=1&a=2&b=&c");
  EXPECT_EQ(dump(list), "a=1|2;");
  EXPECT_EQ(list.find("b"), nullptr);
  EXPECT_EQ(list.find("c"), nullptr);
}

TEST(ParseParams, ItemsAreDecodedBeforeTheyAreSplit) {
  EXPECT_EQ(dump(parsed("name=x%3Dy")), "name=x=y;");
  EXPECT_EQ(dump(parsed("n%3Dm=1")), "n=m=1;");
  EXPECT_EQ(dump(parsed("v=a%26b")), "v=a&b;");  // an encoded "&" never splits items
}

TEST(ParseParams, MalformedEscapesInValues) {
  EXPECT_EQ(dump(parsed("v=50%")), "v=50;");
  EXPECT_EQ(dump(parsed("v=%4")), "v=4;");
  EXPECT_EQ(dump(parsed("v=a+b%2Bc")), "v=a b+c;");
  EXPECT_EQ(dump(parsed("v=%")), "");  // nothing is left of the value
  EXPECT_EQ(dump(parsed("v=foo%zubar")), "v=foozubar;");
}

TEST(ParseParams, EmptyAndNamelessItemsAreDropped) {
  EXPECT_EQ(dump(parsed("")), "");
  EXPECT_EQ(dump(parsed("&&&")), "");
  EXPECT_EQ(dump(parsed("=x&=&x=")), "");
  EXPECT_EQ(dump(parsed("a=1&")), "a=1;");
}

TEST(ParseParams, ZeroAndHighBytesInNamesAndValues) {
  ParamList list = parsed("n%00x=v%00w&%C8%80=%FF");
  EXPECT_EQ(list.value(std::string("n\0x", 3)).str(), std::string("v\0w", 3));
  EXPECT_EQ(list.value("\xC8\x80").str(), "\xFF");
  EXPECT_EQ(list.find("n"), nullptr);
}

TEST(ParseParams, NamesMatchIgnoringAsciiCaseOnly) {
  ParamList list = parsed("Language=slo&LANGUAGE=eng&%E8=1&%C8=2");
  EXPECT_EQ(list.value("language"), "slo");
  EXPECT_EQ(list.value("language", 1), "eng");
  EXPECT_EQ(list.find("language")->name, "Language");
  EXPECT_EQ(list.size(), 3u);  // byte 0xE8 and 0xC8 are different names
}

TEST(ParseParams, ValuesAreNormalisedWhenStored) {
  ParamList list = parsed("t=%22c%22%22&m=a%0D%0Ab%0D%0A&m=x%0D%0Ay");
  EXPECT_EQ(list.value("t"), "&ccaron;\"");
  EXPECT_EQ(list.value("m"), "a\nb\n");
  EXPECT_EQ(list.value("m", 1), "x\ny");
}

TEST(ParseParams, OtherSeparator) {
  ParamList list;
  parseParams("a=1;b=2&c=3", ';', list);
  EXPECT_EQ(dump(list), "a=1;b=2&c=3;");
}

TEST(ParseParams, ThousandsOfRepeatedNamesKeepTheirOrder) {
  std::string body;
  for (int i = 0; i < 5000; ++i) body.append("f=").append(std::to_string(i)).append("&");
  ParamList list = parsed(body);
  ASSERT_EQ(list.size(), 1u);
  const Param* f = list.find("F");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->value, "0");
  ASSERT_EQ(f->further.size(), 4999u);
  for (int i = 1; i < 5000; ++i) ASSERT_EQ(f->further[i - 1], std::to_string(i));
}

TEST(ParseParams, HundredThousandFieldsStayInOrderAndFindable) {
  std::string body;
  for (int i = 0; i < 100000; ++i)
    body.append("Field")
        .append(std::to_string(i))
        .append("=v")
        .append(std::to_string(i))
        .append("&");
  body += "field7=again";
  ParamList list = parsed(body);
  ASSERT_EQ(list.size(), 100000u);
  for (size_t i = 0; i < list.size(); i += 997)
    EXPECT_EQ(list[i].name, "Field" + std::to_string(i));
  EXPECT_EQ(list.value("FIELD99999"), "v99999");
  EXPECT_EQ(list.value("field7"), "v7");
  EXPECT_EQ(list.value("field7", 1), "again");
}

// Small limits: every row stops at its first item over a limit, keeping the
// items before it; lengths count decoded bytes.
TEST(ParseParams, StopsAtTheFirstItemOverALimit) {
  const ParamLimits limits{.items = 3, .nameLength = 4, .valueLength = 5};
  struct Row {
    const char* input;
    bool accepted;
    const char* kept;
  } rows[] = {
      {"a=1&b=2&c=3", true, "a=1;b=2;c=3;"},
      {"a=1&&b=2&&c=3&", true, "a=1;b=2;c=3;"},  // empty items are not counted
      {"a=1&b=2&c=3&d=4", false, "a=1;b=2;c=3;"},
      {"a=1&b&c=&d=4", false, "a=1;"},  // items without a value count
      {"nnnn=1&nnnnn=1", false, "nnnn=1;"},
      {"nnn%41=1", true, "nnnA=1;"},
      {"nnnn%41", false, ""},
      {"a=vvvvv&b=vvvvvv", false, "a=vvvvv;"},
      {"a=%41%41%41%41%41", true, "a=AAAAA;"},
      {"a=vv%3Dvv", true, "a=vv=vv;"},
  };
  for (const Row& row : rows) {
    ParamList list;
    EXPECT_EQ(parseParams(row.input, '&', list, limits), row.accepted) << row.input;
    EXPECT_EQ(dump(list), row.kept) << row.input;
  }
}

TEST(ParamListAdd, ReplaceSetsTheCurrentValueAndKeepsFurther) {
  ParamList list;
  list.add("a", "1", AddMode::Append);
  list.add("A", "2", AddMode::Append);
  list.add("a", "3", AddMode::Replace);
  EXPECT_EQ(dump(list), "a=3|2;");
  list.add("b", "new", AddMode::Replace);
  EXPECT_EQ(dump(list), "a=3|2;b=new;");
  list.add("", "x", AddMode::Append);
  EXPECT_EQ(list.size(), 2u);
}

TEST(ParamListAdd, NewEntryExpandsBeforeCarriageReturnsGo) {
  // A quote, CR, c: expanded first, the quote meets the CR and stays; on an
  // existing entry the CR goes first and the quote meets the c.
  ParamList list;
  list.add("n", "\"\rc", AddMode::Append);
  EXPECT_EQ(list.value("n"), "\"c");
  list.add("n", "\"\rc", AddMode::Append);
  EXPECT_EQ(list.value("n", 1), "&ccaron;");
  list.add("n", "\"\rs", AddMode::Replace);
  EXPECT_EQ(list.value("n"), "&scaron;");
}

TEST(ParamListAdd, VerbatimValueIsNotExpanded) {
  ParamList list;
  list.setVerbatim("&meta", "content=\"Content-Type\"");
  EXPECT_EQ(list.value("&META"), "content=\"Content-Type\"");
  list.setVerbatim("&meta", "\"c");
  EXPECT_EQ(list.value("&meta"), "\"c");
  EXPECT_EQ(list.size(), 1u);
}

TEST(ParamListValue, PositionsOutsideGiveEmptyText) {
  ParamList list = parsed("a=1&a=2");
  EXPECT_EQ(list.value("a", 0), "1");
  EXPECT_EQ(list.value("a", 1), "2");
  EXPECT_EQ(list.value("a", 2), "");
  EXPECT_EQ(list.value("a", -1), "");
  EXPECT_EQ(list.value("zz"), "");
}

TEST(ParamListContains, ComparesValuesExactly) {
  ParamList list = parsed("a=x&a=Y");
  EXPECT_TRUE(list.contains("A", "x"));
  EXPECT_TRUE(list.contains("a", "Y"));
  EXPECT_FALSE(list.contains("a", "y"));
  EXPECT_FALSE(list.contains("b", "x"));
}

TEST(ParamListRemove, EmptyValueRemovesTheEntry) {
  ParamList list = parsed("a=1&b=2&c=3");
  list.remove("B", "");
  EXPECT_EQ(dump(list), "a=1;c=3;");
  EXPECT_EQ(list.value("c"), "3");  // the index follows the shifted entries
  list.remove("zz", "");
  EXPECT_EQ(dump(list), "a=1;c=3;");
}

TEST(ParamListRemove, CurrentValueIsReplacedByTheFirstFurther) {
  ParamList list = parsed("a=1&a=2&a=1&a=3");
  list.remove("a", "1");
  EXPECT_EQ(dump(list), "a=2|3;");
  list.remove("a", "3");
  EXPECT_EQ(dump(list), "a=2;");
  list.remove("a", "2");
  EXPECT_EQ(dump(list), "a=;");
  list.remove("a", "nothing");
  EXPECT_EQ(dump(list), "a=;");
}

TEST(ParamListInsert, InsertBeforeKeepsLookupsRight) {
  ParamList list = parsed("a=1&c=3");
  list.insertBefore(1, "b", "2");
  list.insertBefore(99, "d", "4");
  EXPECT_EQ(dump(list), "a=1;b=2;c=3;d=4;");
  EXPECT_EQ(list.value("c"), "3");
  EXPECT_EQ(list.value("d"), "4");
  list.clear();
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.find("a"), nullptr);
}
