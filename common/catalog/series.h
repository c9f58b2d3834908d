// Series of dated catalog files: the date fields of a series file name
// ("[DD]", "[MM]", "[YY]", "[YYYY]", "[YYmm]" for a season ending in month mm),
// the wildcard path made from them, and the digits and file of each member.
#pragma once

#include <optional>
#include <string_view>

#include "common/language/date_time.h"
#include "common/text/list.h"
#include "common/text/text.h"

enum class SeriesFieldKind { Day, Month, ShortYear, LongYear, Season };

struct SeriesField {
  SeriesFieldKind kind;
  long position;        // of its "?"s in the wildcard path
  int seasonMonth = 0;  // for a season: the month it ends in, 1 to 12
  // Number of digits (and of "?"s) the field stands for.
  int width() const {
    return kind == SeriesFieldKind::LongYear || kind == SeriesFieldKind::Season ? 4 : 2;
  }
};

struct SeriesPattern {
  Text wildcardPath;         // the file path with "?" for each digit
  List<SeriesField> fields;  // in the order they stand in the path, at most three
};

// Scans a series file path for its date fields (letters in any case). At most
// one day, one month and one year field of any kind are recognised; a "["
// that starts no field is dropped.
SeriesPattern parseSeriesPattern(std::string_view path);

// The digits of the period that holds `today`, field by field.
Text currentPeriodDigits(const SeriesPattern& pattern, const DateTime& today);

// True when every character is a decimal digit (so also for empty text).
bool allDecimalDigits(std::string_view text);

// One member of a series: its file and the date its digits stand for.
struct SeriesMember {
  Text path;
  DateTime date;  // day, month or year 0 where the pattern has no such field
};

// The member whose period digits are `digits`, taken from the front field by
// field. A season takes four digits, the two years of the season, as they
// are written whatever the month, and its year is the first of them: so the
// current member and any member named in a request find the file that the
// same digits name on disk. Fewer digits than the fields need give shorter
// substitutions. REQUIRES: allDecimalDigits(digits), so only digits ever
// reach the path.
SeriesMember memberFromDigits(const SeriesPattern& pattern, std::string_view digits);

// Whether `digits` name a period that exists: exactly the digits the fields
// need, a month from 01 to 12, a day that its month has (29 February only in
// a leap year; without a year field any year may be meant, without a month
// any month), a year from 1900 to 2099 and a season whose second year follows
// its first.
bool isRealPeriod(const SeriesPattern& pattern, std::string_view digits);

// Whether a file name matches the file-name part of a wildcard path: "?"
// matches exactly one character, everything else itself.
bool matchesWildcard(std::string_view wildcardName, std::string_view fileName);

// A member found on disk at `path` (the directory of the wildcard path and a
// matching name). `digits` gets the member's period digits, `sortKey` the
// year, month and day digits in that order (latest period sorts highest).
SeriesMember memberFromPath(const SeriesPattern& pattern, const Text& path, Text& digits,
                            Text& sortKey);

// The last day of the period of a member whose digits gave `date`
// (memberFromPath): a day, the last of its month, of its year, or of a
// season's last month. None when the pattern has no year field, since such a
// period comes back every year, or a day without a month.
std::optional<DateTime> lastDayOfPeriod(const SeriesPattern& pattern, const DateTime& date);

// The year that two digits of a short year stand for: 1990 to 2089.
int yearOfShortYear(int twoDigits);
