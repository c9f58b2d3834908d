// Series file names: date fields, the current period, named members and the
// members found on disk.
#include "common/catalog/series.h"

#include <gtest/gtest.h>

namespace {

TEST(SeriesPattern, FieldsBecomeWildcardsAtTheirPositions) {
  SeriesPattern p = parseSeriesPattern("c:/data/log[YYYY][MM][dd].dat");
  EXPECT_EQ(p.wildcardPath, "c:/data/log????????.dat");
  ASSERT_EQ(p.fields.size(), 3u);
  EXPECT_EQ(p.fields[0].kind, SeriesFieldKind::LongYear);
  EXPECT_EQ(p.fields[0].position, 11);
  EXPECT_EQ(p.fields[1].kind, SeriesFieldKind::Month);
  EXPECT_EQ(p.fields[1].position, 15);
  EXPECT_EQ(p.fields[2].kind, SeriesFieldKind::Day);
  EXPECT_EQ(p.fields[2].position, 17);
}

TEST(SeriesPattern, LowerCaseLettersAreFieldsToo) {
  SeriesPattern p = parseSeriesPattern("log[yyyy].dat");
  EXPECT_EQ(p.wildcardPath, "log????.dat");
  ASSERT_EQ(p.fields.size(), 1u);
  EXPECT_EQ(p.fields[0].kind, SeriesFieldKind::LongYear);
}

TEST(SeriesPattern, SecondYearFieldLosesOnlyItsBracket) {
  SeriesPattern p = parseSeriesPattern("log[YYYY][YY].dat");
  EXPECT_EQ(p.wildcardPath, "log????YY].dat");
  EXPECT_EQ(p.fields.size(), 1u);
}

TEST(SeriesPattern, BracketThatStartsNoFieldIsDropped) {
  EXPECT_EQ(parseSeriesPattern("a[b].dat").wildcardPath, "ab].dat");
  EXPECT_TRUE(parseSeriesPattern("a[b].dat").fields.empty());
  EXPECT_EQ(parseSeriesPattern("x[YY13].dat").wildcardPath, "xYY13].dat");
  EXPECT_EQ(parseSeriesPattern("x[YY00].dat").wildcardPath, "xYY00].dat");
  EXPECT_EQ(parseSeriesPattern("x[YY0").wildcardPath, "xYY0");
}

TEST(SeriesPattern, SeasonFieldNamesItsLastMonth) {
  SeriesPattern p = parseSeriesPattern("s[DD][yy08].dat");
  EXPECT_EQ(p.wildcardPath, "s??????.dat");
  ASSERT_EQ(p.fields.size(), 2u);
  EXPECT_EQ(p.fields[1].kind, SeriesFieldKind::Season);
  EXPECT_EQ(p.fields[1].seasonMonth, 8);
  EXPECT_EQ(p.fields[1].position, 3);
}

TEST(CurrentPeriod, DigitsOfEveryFieldKind) {
  DateTime march{15, 3, 1999, 14, 5};
  EXPECT_EQ(currentPeriodDigits(parseSeriesPattern("l[YYYY][MM].dat"), march), "199903");
  EXPECT_EQ(currentPeriodDigits(parseSeriesPattern("l[DD][MM][YY].dat"), march), "150399");
  DateTime newYear{1, 1, 2000, 0, 0};
  EXPECT_EQ(currentPeriodDigits(parseSeriesPattern("l[YY].dat"), newYear), "00");
}

TEST(CurrentPeriod, SeasonTurnsAfterItsLastMonth) {
  SeriesPattern p = parseSeriesPattern("s[YY08].dat");
  EXPECT_EQ(currentPeriodDigits(p, DateTime{15, 3, 1999, 0, 0}), "9899");
  EXPECT_EQ(currentPeriodDigits(p, DateTime{31, 8, 1999, 0, 0}), "9899");
  EXPECT_EQ(currentPeriodDigits(p, DateTime{15, 10, 1999, 0, 0}), "9900");
  EXPECT_EQ(currentPeriodDigits(p, DateTime{1, 1, 2000, 0, 0}), "9900");
}

TEST(NamedMember, DigitsFillTheFieldsAndGiveTheDate) {
  SeriesMember m = memberFromDigits(parseSeriesPattern("w/log[YYYY][MM].dat"), "199812");
  EXPECT_EQ(m.path, "w/log199812.dat");
  EXPECT_EQ(m.date.year, 1998);
  EXPECT_EQ(m.date.month, 12);
  EXPECT_EQ(m.date.day, 0);
}

TEST(NamedMember, ShortYearsFrom1990To2089) {
  SeriesPattern p = parseSeriesPattern("l[MM][YY].dat");
  EXPECT_EQ(memberFromDigits(p, "0190").date.year, 1990);
  EXPECT_EQ(memberFromDigits(p, "0189").date.year, 2089);
  EXPECT_EQ(memberFromDigits(p, "0100").path, "l0100.dat");
}

// A season's four digits are taken as written whatever the month: the member
// named by a request and the current member both find the file of those digits.
TEST(NamedMember, SeasonDigitsAreTakenAsWrittenAndTheYearIsTheFirst) {
  SeriesPattern p = parseSeriesPattern("s[YY08].dat");
  SeriesMember m = memberFromDigits(p, "9899");
  EXPECT_EQ(m.path, "s9899.dat");
  EXPECT_EQ(m.date.year, 1998);
  EXPECT_EQ(m.date.month, 0);
  DateTime october{15, 10, 1999, 0, 0};
  EXPECT_EQ(memberFromDigits(p, currentPeriodDigits(p, october)).path, "s9900.dat");
}

TEST(NamedMember, TooFewDigitsGiveShorterSubstitutions) {
  SeriesPattern p = parseSeriesPattern("l[YYYY]-[MM].dat");
  EXPECT_EQ(memberFromDigits(p, "19").path, "l19-.dat");
  EXPECT_EQ(memberFromDigits(p, "19990").path, "l1999-0.dat");
  EXPECT_EQ(memberFromDigits(p, "").path, "l-.dat");
}

TEST(WildcardMatch, QuestionMarkIsExactlyOneCharacter) {
  EXPECT_TRUE(matchesWildcard("log??.dat", "log99.dat"));
  EXPECT_FALSE(matchesWildcard("log??.dat", "log9.dat"));
  EXPECT_FALSE(matchesWildcard("log??.dat", "log999.dat"));
  EXPECT_FALSE(matchesWildcard("log??.dat", "LOG99.dat"));
  EXPECT_FALSE(matchesWildcard("log??.dat", "log99.dax"));
}

TEST(MemberOnDisk, DigitsDateAndSortKeyFromThePath) {
  SeriesPattern p = parseSeriesPattern("/d/l[DD]-[MM]-[YY08].dat");
  Text digits, key;
  SeriesMember m = memberFromPath(p, "/d/l07-10-9900.dat", digits, key);
  EXPECT_EQ(digits, "07109900");
  EXPECT_EQ(key, "99001007");
  EXPECT_EQ(m.date.year, 1999);
  EXPECT_EQ(m.date.month, 10);
  EXPECT_EQ(m.date.day, 7);
}

TEST(Digits, OnlyDecimalDigits) {
  EXPECT_TRUE(allDecimalDigits("0123456789"));
  EXPECT_TRUE(allDecimalDigits(""));
  EXPECT_FALSE(allDecimalDigits("19/../x"));
  EXPECT_FALSE(allDecimalDigits("1 "));
}

struct PeriodRow {
  const char* pattern;
  const char* digits;
  bool real;
};

const PeriodRow kPeriodRows[] = {
    {"l[YYYY][MM].dat", "199912", true},
    {"l[YYYY][MM].dat", "190001", true},
    {"l[YYYY][MM].dat", "209912", true},
    {"l[YYYY][MM].dat", "189912", false},
    {"l[YYYY][MM].dat", "210001", false},
    {"l[YYYY][MM].dat", "000001", false},
    {"l[YYYY][MM].dat", "999999", false},
    {"l[YYYY][MM].dat", "202400", false},
    {"l[YYYY][MM].dat", "202413", false},
    {"l[YYYY][MM].dat", "20241", false},
    {"l[YYYY][MM].dat", "2024011", false},
    {"l[YYYY][MM].dat", "2024-1", false},
    {"l[YYYY][MM][DD].dat", "20240229", true},
    {"l[YYYY][MM][DD].dat", "20000229", true},
    {"l[YYYY][MM][DD].dat", "20230229", false},
    {"l[YYYY][MM][DD].dat", "19000229", false},
    {"l[YYYY][MM][DD].dat", "20230228", true},
    {"l[YYYY][MM][DD].dat", "20240431", false},
    {"l[YYYY][MM][DD].dat", "20240430", true},
    {"l[YYYY][MM][DD].dat", "20241231", true},
    {"l[YYYY][MM][DD].dat", "20241232", false},
    {"l[YYYY][MM][DD].dat", "20240100", false},
    {"l[DD][MM].dat", "2902", true},  // some year has it
    {"l[DD][MM].dat", "3002", false},
    {"l[DD].dat", "31", true},  // some month has it
    {"l[DD].dat", "32", false},
    {"l[MM].dat", "12", true},
    {"l[YY].dat", "00", true},
    {"l[YY].dat", "99", true},
    {"l[YY][MM][DD].dat", "970229", false},  // 1997
    {"l[YY][MM][DD].dat", "960229", true},   // 1996
    {"l[YY08].dat", "9899", true},
    {"l[YY08].dat", "9900", true},
    {"l[YY08].dat", "0001", true},
    {"l[YY08].dat", "9901", false},
    {"l[YY08].dat", "2024", false},
    {"l[YY08].dat", "989", false},
    {"l[DD]-[MM]-[YY08].dat", "07109900", true},
    {"plain.dat", "", true},
    {"plain.dat", "1", false},
};

TEST(RealPeriod, MonthDayYearAndSeasonMustExist) {
  for (const PeriodRow& row : kPeriodRows)
    EXPECT_EQ(isRealPeriod(parseSeriesPattern(row.pattern), row.digits), row.real)
        << row.pattern << " " << row.digits;
}

TEST(RealPeriod, TheCurrentPeriodIsReal) {
  for (const char* pattern : {"l[YYYY][MM][DD].dat", "l[YY08].dat", "l[YY01].dat", "l[YY12].dat"})
    for (int month = 1; month <= 12; ++month) {
      SeriesPattern p = parseSeriesPattern(pattern);
      EXPECT_TRUE(isRealPeriod(p, currentPeriodDigits(p, DateTime{29, month, 2024, 0, 0})))
          << pattern << " " << month;
    }
}

}  // namespace

namespace {

// The last day of a member's period, "yyyymmdd", or "none".
std::string lastDayOf(const char* pattern, const char* memberPath) {
  SeriesPattern p = parseSeriesPattern(pattern);
  Text digits, sortKey;
  SeriesMember member = memberFromPath(p, Text(memberPath), digits, sortKey);
  std::optional<DateTime> last = lastDayOfPeriod(p, member.date);
  if (!last) return "none";
  return std::to_string(last->year * 10000 + last->month * 100 + last->day);
}

TEST(LastDayOfPeriod, EachKindOfPeriod) {
  struct Case {
    const char *pattern, *member, *last;
  } cases[] = {
      {"v[YYYY][MM].dat", "v202402.dat", "20240229"},
      {"v[YYYY][MM].dat", "v202302.dat", "20230228"},
      {"v[YYYY][MM].dat", "v202612.dat", "20261231"},
      {"v[YY][MM].dat", "v9904.dat", "19990430"},
      {"v[YYYY].dat", "v2026.dat", "20261231"},
      {"v[YYYY][MM][DD].dat", "v20260305.dat", "20260305"},
      {"v[DD][MM][YYYY].dat", "v05032026.dat", "20260305"},
      {"v[YY08].dat", "v2526.dat", "20260831"},
      {"v[YY12].dat", "v2526.dat", "20261231"},
      {"v[YY08][MM].dat", "v252609.dat", "20250930"},
      {"v[YY08][MM].dat", "v252602.dat", "20260228"},
      // Periods that come back every year never age whole.
      {"v[MM].dat", "v03.dat", "none"},
      {"v[MM][DD].dat", "v0305.dat", "none"},
      {"v[YYYY][DD].dat", "v202605.dat", "none"},
  };
  for (const Case& c : cases) EXPECT_EQ(lastDayOf(c.pattern, c.member), c.last) << c.member;
}

}  // namespace
