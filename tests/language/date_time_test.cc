// Date formatting: every dash code in both languages, the day of the week
// for every month, and the formats of the language table.
#include "common/language/date_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "common/language/language.h"
#include "support/text_print.h"

namespace {

const DateTime kThursday{1, 2, 2024, 15, 5};  // Thursday 1 February 2024, 15:05

std::string formatted(const DateTime& d, const char* format, int language = kEnglish) {
  return formatDate(d, format, language).str();
}

}  // namespace

struct CodeRow {
  const char* format;
  const char* english;
  const char* slovene;
};

class DashCodes : public testing::TestWithParam<CodeRow> {};

TEST_P(DashCodes, WritesTheCodeInBothLanguages) {
  EXPECT_EQ(formatted(kThursday, GetParam().format, kEnglish), GetParam().english);
  EXPECT_EQ(formatted(kThursday, GetParam().format, kSlovenian), GetParam().slovene);
}

INSTANTIATE_TEST_SUITE_P(
    AllCodes, DashCodes,
    testing::Values(CodeRow{"-a", "Thu", "&Ccaron;et"}, CodeRow{"-A", "Thursday", "&Ccaron;etrtek"},
                    CodeRow{"-b", "Feb", "Feb"}, CodeRow{"-B", "February", "februar"},
                    CodeRow{"-w", "Thu", "Thu"}, CodeRow{"-W", "Thursday", "Thursday"},
                    CodeRow{"-n", "Feb", "Feb"}, CodeRow{"-N", "February", "February"},
                    CodeRow{"-c", "&Ccaron;et", "&Ccaron;et"},
                    CodeRow{"-C", "&Ccaron;etrtek", "&Ccaron;etrtek"}, CodeRow{"-e", "Feb", "Feb"},
                    CodeRow{"-E", "februar", "februar"}, CodeRow{"-d", "1", "1"},
                    CodeRow{"-D", "01", "01"}, CodeRow{"-m", "2", "2"}, CodeRow{"-M", "02", "02"},
                    CodeRow{"-y", "24", "24"}, CodeRow{"-Y", "2024", "2024"},
                    CodeRow{"-h", "15", "15"}, CodeRow{"-H", "15", "15"}, CodeRow{"-i", "3", "3"},
                    CodeRow{"-I", "03", "03"}, CodeRow{"-t", "5", "5"}, CodeRow{"-T", "05", "05"},
                    CodeRow{"-p", "pm", "pm"}, CodeRow{"-P", "PM", "PM"},
                    CodeRow{"-x", "24/25", "24/25"}, CodeRow{"-X", "2024/25", "2024/25"},
                    CodeRow{"--", "-", "-"}, CodeRow{"-Q", "", ""}, CodeRow{"-", "", ""},
                    CodeRow{"a-Qb", "ab", "ab"}, CodeRow{"---d", "-1", "-1"}, CodeRow{"", "", ""}));

TEST(FormatDate, LanguageFormatsOfTheTable) {
  EXPECT_EQ(formatted(kThursday, kLanguages[0].dateFormat), "Thursday, Feb 1, 2024");
  EXPECT_EQ(formatted(kThursday, kLanguages[0].timeFormat), "3:05 pm");
  EXPECT_EQ(formatted(kThursday, kLanguages[1].dateFormat, kSlovenian),
            "&Ccaron;etrtek, 1. februar 2024");
  EXPECT_EQ(formatted(kThursday, kLanguages[1].timeFormat, kSlovenian), "15:05");
}

TEST(FormatDate, MidnightOnTheTwelveHourClock) {
  DateTime d{3, 4, 2021, 0, 7};
  EXPECT_EQ(formatted(d, "-i -I -p -H -P -h -t"), "12 12 am 00 AM 0 7");
  DateTime noon{3, 4, 2021, 12, 0};
  EXPECT_EQ(formatted(noon, "-i -p"), "12 pm");
  DateTime late{3, 4, 2021, 23, 59};
  EXPECT_EQ(formatted(late, "-i -I -p"), "11 11 pm");
  DateTime one{3, 4, 2021, 1, 0};
  EXPECT_EQ(formatted(one, "-i -I -p"), "1 01 am");
}

TEST(FormatDate, SeasonsAcrossTheCentury) {
  DateTime d{1, 1, 1999, 0, 0};
  EXPECT_EQ(formatted(d, "-x -X -y"), "99/00 1999/00 99");
  DateTime y2k{1, 1, 2000, 0, 0};
  EXPECT_EQ(formatted(y2k, "-x -X -y"), "00/01 2000/01 00");
}

TEST(FormatDate, EveryMonthNameInBothLanguages) {
  const char* english[] = {"January", "February", "March",     "April",   "May",      "June",
                           "July",    "August",   "September", "October", "November", "December"};
  const char* englishShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const char* slovene[] = {"januar", "februar", "marec",     "april",   "maj",      "junij",
                           "julij",  "avgust",  "september", "oktober", "november", "december"};
  const char* sloveneShort[] = {"Jan", "Feb", "Mar", "Apr", "Maj", "Jun",
                                "Jul", "Avg", "Sep", "Okt", "Nov", "Dec"};
  for (int m = 1; m <= 12; ++m) {
    DateTime d{10, m, 2023, 9, 0};
    EXPECT_EQ(formatted(d, "-B|-b", kEnglish),
              std::string(english[m - 1]) + "|" + englishShort[m - 1]);
    EXPECT_EQ(formatted(d, "-B|-b", kSlovenian),
              std::string(slovene[m - 1]) + "|" + sloveneShort[m - 1]);
    EXPECT_EQ(formatted(d, "-N|-n|-E|-e", kSlovenian),
              std::string(english[m - 1]) + "|" + englishShort[m - 1] + "|" + slovene[m - 1] + "|" +
                  sloveneShort[m - 1]);
  }
}

TEST(FormatDate, EveryDayNameInBothLanguages) {
  const char* english[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                           "Thursday", "Friday", "Saturday"};
  const char* slovene[] = {"Nedelja",        "Ponedeljek", "Torek", "Sreda",
                           "&Ccaron;etrtek", "Petek",      "Sobota"};
  const char* sloveneShort[] = {"Ned", "Pon", "Tor", "Sre", "&Ccaron;et", "Pet", "Sob"};
  for (int day = 7; day <= 13; ++day) {  // 7 January 2024 is a Sunday
    DateTime d{day, 1, 2024, 0, 0};
    int w = day - 7;
    EXPECT_EQ(formatted(d, "-A|-a", kEnglish),
              std::string(english[w]) + "|" + std::string(english[w], 3));
    EXPECT_EQ(formatted(d, "-A|-a", kSlovenian), std::string(slovene[w]) + "|" + sloveneShort[w]);
    EXPECT_EQ(formatted(d, "-W|-C|-c", kSlovenian),
              std::string(english[w]) + "|" + slovene[w] + "|" + sloveneShort[w]);
  }
}

TEST(FormatDate, MonthOutsideTheTablesWritesNoName) {
  DateTime d{1, 13, 2024, 0, 0};
  EXPECT_EQ(formatted(d, "[-B-b-E-e]"), "[]");
  DateTime zero{0, 0, 0, 0, 0};
  EXPECT_EQ(formatted(zero, "-D.-M.-Y -y"), "00.00.0 00");
}

TEST(Weekday, KnownDates) {
  EXPECT_EQ(weekday(DateTime{1, 2, 2024, 0, 0}), 4);    // Thursday
  EXPECT_EQ(weekday(DateTime{1, 1, 2024, 0, 0}), 1);    // Monday
  EXPECT_EQ(weekday(DateTime{29, 2, 2024, 0, 0}), 4);   // Thursday
  EXPECT_EQ(weekday(DateTime{1, 3, 2000, 0, 0}), 3);    // Wednesday
  EXPECT_EQ(weekday(DateTime{31, 12, 1999, 0, 0}), 5);  // Friday
}

TEST(Weekday, EveryDayOfTwoCenturiesAgreesWithTheCalendar) {
  namespace chrono = std::chrono;
  const chrono::sys_days first{chrono::year{1901} / chrono::January / 1};
  const chrono::sys_days last{chrono::year{2101} / chrono::January / 1};
  for (chrono::sys_days day = first; day < last; day += chrono::days{1}) {
    chrono::year_month_day ymd{day};
    DateTime d{static_cast<int>(static_cast<unsigned>(ymd.day())),
               static_cast<int>(static_cast<unsigned>(ymd.month())), static_cast<int>(ymd.year()),
               0, 0};
    ASSERT_EQ(::weekday(d), static_cast<int>(chrono::weekday{day}.c_encoding()))
        << d.day << "." << d.month << "." << d.year;
  }
}

TEST(DateTimeNow, IsAPlausibleLocalTime) {
  DateTime now = DateTime::now();
  EXPECT_GE(now.year, 2024);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_GE(now.hour, 0);
  EXPECT_LE(now.hour, 23);
  EXPECT_GE(now.minute, 0);
  EXPECT_LE(now.minute, 59);
}

TEST(DaysSinceEpoch, KnownDaysAndTheWayBack) {
  EXPECT_EQ(daysSinceEpoch(1970, 1, 1), 0);
  EXPECT_EQ(daysSinceEpoch(2000, 3, 1), 11017);
  EXPECT_EQ(daysSinceEpoch(1969, 12, 31), -1);
  for (long day = -800000; day <= 800000; day += 37) {
    DateTime date = dateOfDay(day);
    ASSERT_EQ(daysSinceEpoch(date.year, date.month, date.day), day) << day;
    ASSERT_TRUE(date.month >= 1 && date.month <= 12 && date.day >= 1 && date.day <= 31);
  }
  DateTime leap = dateOfDay(daysSinceEpoch(2024, 2, 29));
  EXPECT_EQ(leap.year * 10000 + leap.month * 100 + leap.day, 20240229);
}
