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

}  // namespace
