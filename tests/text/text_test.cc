// Text: the ranges, searches, case rules, squeezing, line reading and the
// small formatter whose exact results the other layers rely on.
#include "common/text/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <limits>
#include <string>

#include "common/text/file_lines.h"
#include "common/text/list.h"
#include "common/text/utf8.h"
#include "support/text_print.h"

namespace {

// A temporary file holding `bytes`, positioned at its start.
std::FILE* fileWith(const std::string& bytes) {
  std::FILE* file = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::rewind(file);
  return file;
}

}  // namespace

TEST(TextRanges, SubstringAtTheEndIsEmpty) {
  EXPECT_EQ(Text("abcde").substring(5, 2), "");
  EXPECT_EQ(Text("abcde").substring(9), "");
  EXPECT_EQ(Text("").substring(0), "");
}

TEST(TextRanges, SubstringCountPastTheEndTakesTheRest) {
  EXPECT_EQ(Text("abcdef").substring(2, -1), "cdef");
  EXPECT_EQ(Text("abcdef").substring(2, 100), "cdef");
  EXPECT_EQ(Text("abcdef").substring(1, 2), "bc");
  EXPECT_EQ(Text("abcdef").substring(0, 0), "");
}

TEST(TextRanges, EraseToTheEnd) {
  Text t("abcdef");
  t.erase(2, -1);
  EXPECT_EQ(t, "ab");
  t = "abcdef";
  t.erase(2, 50);
  EXPECT_EQ(t, "ab");
}

TEST(TextRanges, EraseOutsideOrNothingChangesNothing) {
  Text t("abc");
  t.erase(3, 1);
  t.erase(7, -1);
  t.erase(0, 0);
  EXPECT_EQ(t, "abc");
  t.erase(1, 1);
  EXPECT_EQ(t, "ac");
}

TEST(TextRanges, InsertPastTheEndAppends) {
  Text t("abc");
  t.insertAt(10, "XY");
  EXPECT_EQ(t, "abcXY");
  t.insertAt(0, "<");
  EXPECT_EQ(t, "<abcXY");
  t.insertAt(2, "-");
  EXPECT_EQ(t, "<a-bcXY");
}

TEST(TextRanges, ReplaceRangeErasesThenInserts) {
  Text t("hello world");
  t.replaceRange(6, 5, "there");
  EXPECT_EQ(t, "hello there");
  t.replaceRange(5, -1, "!");
  EXPECT_EQ(t, "hello!");
  t.replaceRange(20, 3, "?");
  EXPECT_EQ(t, "hello!?");
}

TEST(TextSearch, FindCharFromPosition) {
  Text t("a,b,c");
  EXPECT_EQ(t.findChar(','), 1);
  EXPECT_EQ(t.findChar(',', 2), 3);
  EXPECT_EQ(t.findChar(',', 4), -1);
  EXPECT_EQ(t.findChar(',', 99), -1);
  EXPECT_EQ(t.findChar('x'), -1);
  EXPECT_EQ(t.findLastChar(','), 3);
  EXPECT_EQ(t.findLastChar('x'), -1);
}

TEST(TextSearch, EmptyPatternIsNeverFound) {
  EXPECT_EQ(Text("").findText(""), -1);
  EXPECT_EQ(Text("abc").findText(""), -1);
  EXPECT_EQ(Text("abc").findText("", 0, false), -1);
}

TEST(TextSearch, FindTextRespectsStartAndLength) {
  Text t("abcabc");
  EXPECT_EQ(t.findText("bc"), 1);
  EXPECT_EQ(t.findText("bc", 2), 4);
  EXPECT_EQ(t.findText("bc", 5), -1);
  EXPECT_EQ(t.findText("abcabcd"), -1);
}

TEST(TextSearch, CaseInsensitiveFindFoldsAsciiOnly) {
  Text t("Form=ORDERS");
  EXPECT_EQ(t.findText("orders", 0, false), 5);
  EXPECT_EQ(t.findText("orders", 0, true), -1);
  Text high("x\xC8y");
  EXPECT_EQ(high.findText("\xE8", 0, false), -1);  // bytes above 127 never fold
  EXPECT_EQ(high.findText("\xC8Y", 0, false), 1);
}

TEST(TextSearch, MatchesAtStopsAtTheEnd) {
  Text t("abc");
  EXPECT_TRUE(t.matchesAt(1, "bc"));
  EXPECT_FALSE(t.matchesAt(1, "bcd"));
  EXPECT_FALSE(t.matchesAt(4, "a"));
  EXPECT_TRUE(t.matchesAt(3, ""));
  EXPECT_TRUE(t.startsWith("AB", false));
  EXPECT_FALSE(t.startsWith("AB"));
}

TEST(TextCase, UpperLowerAndCompareTouchAsciiLettersOnly) {
  Text t("aZ\xE8\xC8-1");
  t.toUpper();
  EXPECT_EQ(t, "AZ\xE8\xC8-1");
  t.toLower();
  EXPECT_EQ(t, "az\xE8\xC8-1");
  EXPECT_TRUE(equalsIgnoreCase("Language", "LANGUAGE"));
  EXPECT_FALSE(equalsIgnoreCase("\xE8", "\xC8"));
  EXPECT_FALSE(equalsIgnoreCase("ab", "abc"));
  // "@" and "`" sit next to the letters in ASCII but are no letters.
  EXPECT_FALSE(equalsIgnoreCase("@", "`"));
}

TEST(TextEdit, ReplaceCharWithinRange) {
  Text t("a\\b\\c\\d");
  t.replaceChar('\\', '/', 2, 3);
  EXPECT_EQ(t, "a\\b/c\\d");
  t.replaceChar('\\', '/');
  EXPECT_EQ(t, "a/b/c/d");
  Text u("xxx");
  u.replaceChar('x', 'y', 1, 99);
  EXPECT_EQ(u, "xyy");
  Text empty;
  empty.replaceChar('x', 'y');
  EXPECT_EQ(empty, "");
}

TEST(TextEdit, RemoveCharAndReverse) {
  Text t("a\r\nb\r\n");
  t.removeChar('\r');
  EXPECT_EQ(t, "a\nb\n");
  t.reverse();
  EXPECT_EQ(t, "\nb\na");
}

TEST(TextEdit, SqueezeTrimsAndCollapses) {
  Text t("  a   b  ");
  t.squeeze(' ');
  EXPECT_EQ(t, "a b");
  Text blanks("     ");
  blanks.squeeze(' ');
  EXPECT_EQ(blanks, "");
  Text plain("a b");
  plain.squeeze(' ');
  EXPECT_EQ(plain, "a b");
}

TEST(TextBuild, ConcatenationsAndNullStrings) {
  const char* none = nullptr;
  EXPECT_EQ(Text(none), "");
  Text t;
  t = none;
  EXPECT_EQ(t, "");
  t = 'x';
  EXPECT_EQ(t, "x");
  EXPECT_EQ(Text("a") + Text("b") + "c" + 'd', "abcd");
  EXPECT_EQ("<" + Text("a"), "<a");
  EXPECT_EQ('<' + Text("a"), "<a");
  Text n("a");
  n += none;
  EXPECT_EQ(n, "a");
}

TEST(TextBuild, HoldsZeroAndHighBytes) {
  Text t(std::string("a\0b\xFF", 4));
  EXPECT_EQ(t.length(), 4);
  EXPECT_EQ(t.findChar('b'), 2);
  EXPECT_EQ(t.substring(1, 2), std::string_view("\0b", 2));
}

TEST(TextFormat, KnownConversions) {
  EXPECT_EQ(Text::format("%s=%d (%ld)", "n", 42, 1234567890123L), "n=42 (1234567890123)");
  EXPECT_EQ(Text::format("%d%%", 50), "50%");
  EXPECT_EQ(Text::format("%s|%s", Text("a"), std::string("b")), "a|b");
}

TEST(TextFormat, UnknownConversionIsWrittenAndConsumesNothing) {
  EXPECT_EQ(Text::format("%5d", 7), "%5d");
  EXPECT_EQ(Text::format("%x-%s", "a"), "%x-a");
  EXPECT_EQ(Text::format("%l", 1), "%l");
}

TEST(TextFormat, PercentAtTheEndIsDropped) {
  EXPECT_EQ(Text::format("100%"), "100");
  EXPECT_EQ(Text::format("%"), "");
}

TEST(TextFormat, ArgumentsAreNotFormattedAgain) {
  EXPECT_EQ(Text::format("<tt>%s</tt>", "%s%d%%"), "<tt>%s%d%%</tt>");
}

TEST(TextFormat, MissingArgumentsWriteNothing) { EXPECT_EQ(Text::format("a%sb%dc"), "abc"); }

TEST(TextFormat, ZeroBytesInArgumentsSurvive) {
  Text value(std::string("x\0y", 3));
  EXPECT_EQ(Text::format("[%s]", value), std::string_view("[x\0y]", 5));
}

TEST(TextFromInt, WidthCountsTheSign) {
  EXPECT_EQ(Text::fromInt(-5, 3), "-05");
  EXPECT_EQ(Text::fromInt(5, 2), "05");
  EXPECT_EQ(Text::fromInt(123, 2), "123");
  EXPECT_EQ(Text::fromInt(0), "0");
  EXPECT_EQ(Text::fromInt(0, 2), "00");
  EXPECT_EQ(Text::fromInt(LONG_MIN), std::to_string(LONG_MIN));
  EXPECT_EQ(Text::fromInt(LONG_MAX), std::to_string(LONG_MAX));
}

TEST(TextLeadingNumber, ReadsDigitsUpToTheFirstOther) {
  EXPECT_EQ(leadingNumber("17abc"), 17);
  EXPECT_EQ(leadingNumber("abc"), 0);
  EXPECT_EQ(leadingNumber(""), 0);
  EXPECT_EQ(leadingNumber("-12"), -12);
  EXPECT_EQ(leadingNumber("99999999999999999999999"), LONG_MAX);
}

TEST(TextReadLine, LastLineWithoutLineFeedThenEnd) {
  std::FILE* file = fileWith("one\ntwo");
  Text line;
  EXPECT_EQ(line.readLine(file), 3);
  EXPECT_EQ(line, "one");
  EXPECT_EQ(line.readLine(file), 3);
  EXPECT_EQ(line, "two");
  EXPECT_EQ(line.readLine(file), -1);
  EXPECT_EQ(line, "");
  std::fclose(file);
}

TEST(TextReadLine, CarriageReturnBeforeLineFeedIsDropped) {
  std::FILE* file = fileWith("a\r\nb\rc\r\n\r\n\r");
  Text line;
  EXPECT_EQ(line.readLine(file), 1);
  EXPECT_EQ(line, "a");
  EXPECT_EQ(line.readLine(file), 3);
  EXPECT_EQ(line, "b\rc");  // a CR inside a line stays
  EXPECT_EQ(line.readLine(file), 0);
  EXPECT_EQ(line.readLine(file), 1);
  EXPECT_EQ(line, "\r");  // a CR without a line feed after it stays
  EXPECT_EQ(line.readLine(file), -1);
  std::fclose(file);
}

TEST(TextReadLine, EmptyFileEndsAtOnce) {
  std::FILE* file = fileWith("");
  Text line("x");
  EXPECT_EQ(line.readLine(file), -1);
  std::fclose(file);
}

TEST(TextReadLine, MegabyteLineAndBinaryBytes) {
  std::string big(1 << 20, 'x');
  big[100] = '\0';
  big[200] = '\xFF';
  std::FILE* file = fileWith(big + "\nshort\n");
  Text line;
  EXPECT_EQ(line.readLine(file), 1 << 20);
  EXPECT_EQ(line.str(), big);
  EXPECT_EQ(line.readLine(file), 5);
  EXPECT_EQ(line, "short");
  std::fclose(file);
}

TEST(TextReadBytes, ReadsUpToCountOrTheEnd) {
  std::FILE* file = fileWith("abcdef");
  Text t;
  EXPECT_EQ(t.readBytes(file, 2), 2);
  EXPECT_EQ(t, "ab");
  EXPECT_EQ(t.readBytes(file, 100), 4);
  EXPECT_EQ(t, "cdef");
  EXPECT_EQ(t.readBytes(file, 3), 0);
  std::rewind(file);
  EXPECT_EQ(t.readBytes(file, -1), 6);
  std::fclose(file);
}

TEST(TextReadBytes, ReadsLargeInputsWhole) {
  std::string big(300000, 'q');
  big[150000] = '\r';
  std::FILE* file = fileWith(big);
  Text t;
  EXPECT_EQ(t.readBytes(file, -1), 300000);
  EXPECT_EQ(t.str(), big);
  std::fclose(file);
}

TEST(ListHelpers, RemoveFirstTakesOnlyTheFirstMatch) {
  List<int> list{1, 2, 3, 2};
  EXPECT_TRUE(removeFirst(list, [](int v) { return v == 2; }));
  EXPECT_EQ(list, (List<int>{1, 3, 2}));
  EXPECT_FALSE(removeFirst(list, [](int v) { return v == 9; }));
}

TEST(Utf8, WellFormedOnly) {
  struct Case {
    const char* bytes;
    bool utf8;
  } cases[] = {
      {"", true},
      {"plain", true},
      {"\xC5\xA1", true},
      {"\xF0\x9F\x98\x80", true},
      {"\xC5", false},
      {"\xC0\xAF", false},
      {"\xE8x", false},
      {"\xED\xA0\x80", false},
      {"\xF4\x90\x80\x80", false},
      {"\x80", false},
  };
  for (const Case& c : cases) EXPECT_EQ(isUtf8(c.bytes), c.utf8) << c.bytes;
  std::string out;
  for (unsigned code : {0x41u, 0x10Du, 0x20ACu, 0x1F600u}) appendUtf8(out, code);
  EXPECT_EQ(out, "A\xC4\x8D\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_TRUE(isUtf8(out));
}

TEST(Utf8Test, FoldCaseLowersAsciiLatin1AndLatinExtendedA) {
  struct Case {
    const char* text;
    const char* folded;
  } cases[] = {
      {"Ana@Example.ORG", "ana@example.org"},
      {"KO\xC4\x8C"
       "EVJE \xC5\xA0I\xC5\xBD",
       "ko\xC4\x8D"
       "evje \xC5\xA1i\xC5\xBE"},                                                  // ČŠŽ
      {"\xC3\x9C\xC3\x89\xC3\x86 \xC3\x97", "\xC3\xBC\xC3\xA9\xC3\xA6 \xC3\x97"},  // ÜÉÆ, × stays
      {"\xC4\xB9\xC5\x81\xC5\xB8", "\xC4\xBA\xC5\x82\xC3\xBF"},                    // ĹŁŸ
      {"\xC4\xB0\xC4\xB1", "\xC4\xB0\xC4\xB1"},  // dotted and dotless i stay
      {"\xC8\x98\xD0\x96", "\xC8\x98\xD0\x96"},  // beyond Latin Extended-A: as it is
      {"\xC0Z\xFF", "\xC0z\xFF"},                // bytes that are not UTF-8 stay
  };
  for (const Case& c : cases) EXPECT_EQ(foldCase(c.text), c.folded) << c.text;
}

TEST(FileLinesTest, ReadWordLongTakesWholeNumbersOnly) {
  struct Case {
    const char* word;
    bool read;
    long value;
    bool asWritten;
  } cases[] = {
      {"0", true, 0, true},
      {"1718000000", true, 1718000000, true},
      {"-5", true, -5, true},
      {"0042", true, 42, false},
      {"-0", true, 0, false},
      {"9223372036854775807", true, std::numeric_limits<long>::max(), true},
      {"-9223372036854775808", true, std::numeric_limits<long>::min(), true},
      {"9223372036854775808", false, 0, false},
      {"00000000000000000001", false, 0, false},
      {"", false, 0, false},
      {"-", false, 0, false},
      {"+1", false, 0, false},
      {"12a", false, 0, false},
      {"1 2", false, 0, false},
  };
  for (const Case& c : cases) {
    long value = 0;
    ASSERT_EQ(readWordLong(c.word, value), c.read) << c.word;
    if (!c.read) continue;
    EXPECT_EQ(value, c.value) << c.word;
    EXPECT_EQ(writtenAsRead(c.word), c.asWritten) << c.word;
  }
}
