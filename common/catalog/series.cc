// Date fields of series file names and the members they give.
#include "common/catalog/series.h"

#include <algorithm>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The value of the decimal digits at the front of `text` (0 when none).
int digitsValue(std::string_view text) {
  int value = 0;
  for (char c : text) {
    if (!isDigit(c)) break;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The season month of a "[YYmm]" field at `at`, or 0 when there is none.
int seasonMonthAt(const Text& path, long at) {
  if (!path.matchesAt(at, "[YY", false) || path.length() - at < 6) return 0;
  if (!isDigit(path[at + 3]) || !isDigit(path[at + 4]) || path[at + 5] != ']') return 0;
  int month = (path[at + 3] - '0') * 10 + (path[at + 4] - '0');
  return month >= 1 && month <= 12 ? month : 0;
}

// Gives `date` the value that a field's digits stand for.
void applyField(DateTime& date, const SeriesField& field, std::string_view digits) {
  switch (field.kind) {
    case SeriesFieldKind::Day: date.day = digitsValue(digits); break;
    case SeriesFieldKind::Month: date.month = digitsValue(digits); break;
    case SeriesFieldKind::ShortYear: date.year = yearOfShortYear(digitsValue(digits)); break;
    case SeriesFieldKind::LongYear: date.year = digitsValue(digits); break;
    case SeriesFieldKind::Season:
      date.year = yearOfShortYear(digitsValue(digits.substr(0, 2)));
      break;
  }
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// The days of `month` (0: any month) in `year` (0: any year).
int daysIn(int month, int year) {
  static constexpr int kDays[] = {31, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && year != 0 && !isLeapYear(year)) return 28;
  return kDays[month];
}

// The four digits of a season are its two years, one after the other.
bool isSeasonDigits(std::string_view digits) {
  return (digitsValue(digits.substr(0, 2)) + 1) % 100 == digitsValue(digits.substr(2));
}

int totalWidth(const SeriesPattern& pattern) {
  int width = 0;
  for (const SeriesField& field : pattern.fields) width += field.width();
  return width;
}

bool hasField(const SeriesPattern& pattern, SeriesFieldKind kind) {
  return std::any_of(pattern.fields.begin(), pattern.fields.end(),
                     [kind](const SeriesField& field) { return field.kind == kind; });
}

}  // namespace

int yearOfShortYear(int twoDigits) { return twoDigits >= 90 ? 1900 + twoDigits : 2000 + twoDigits; }

bool allDecimalDigits(std::string_view text) {
  for (char c : text)
    if (!isDigit(c)) return false;
  return true;
}

SeriesPattern parseSeriesPattern(std::string_view path) {
  SeriesPattern pattern{Text(path), {}};
  Text& wild = pattern.wildcardPath;
  bool day = false, month = false, year = false;
  for (long at; (at = wild.findChar('[')) >= 0;) {
    int season = year ? 0 : seasonMonthAt(wild, at);
    if (!day && wild.matchesAt(at, "[DD]", false)) {
      wild.replaceRange(at, 4, "??");
      pattern.fields.push_back({SeriesFieldKind::Day, at});
      day = true;
    } else if (!month && wild.matchesAt(at, "[MM]", false)) {
      wild.replaceRange(at, 4, "??");
      pattern.fields.push_back({SeriesFieldKind::Month, at});
      month = true;
    } else if (!year && wild.matchesAt(at, "[YY]", false)) {
      wild.replaceRange(at, 4, "??");
      pattern.fields.push_back({SeriesFieldKind::ShortYear, at});
      year = true;
    } else if (!year && wild.matchesAt(at, "[YYYY]", false)) {
      wild.replaceRange(at, 6, "????");
      pattern.fields.push_back({SeriesFieldKind::LongYear, at});
      year = true;
    } else if (season) {
      wild.replaceRange(at, 6, "????");
      pattern.fields.push_back({SeriesFieldKind::Season, at, season});
      year = true;
    } else {
      wild.erase(at, 1);
    }
  }
  return pattern;
}

Text currentPeriodDigits(const SeriesPattern& pattern, const DateTime& today) {
  Text digits;
  for (const SeriesField& field : pattern.fields) {
    switch (field.kind) {
      case SeriesFieldKind::Day: digits += Text::fromInt(today.day, 2); break;
      case SeriesFieldKind::Month: digits += Text::fromInt(today.month, 2); break;
      case SeriesFieldKind::ShortYear: digits += Text::fromInt(today.year % 100, 2); break;
      case SeriesFieldKind::LongYear: digits += Text::fromInt(today.year, 4); break;
      case SeriesFieldKind::Season: {
        // A season ending in month m runs from the month after m of one year
        // to month m of the next.
        int first = today.month <= field.seasonMonth ? today.year - 1 : today.year;
        digits += Text::fromInt(first % 100, 2);
        digits += Text::fromInt((first + 1) % 100, 2);
        break;
      }
    }
  }
  return digits;
}

SeriesMember memberFromDigits(const SeriesPattern& pattern, std::string_view digits) {
  SeriesMember member{pattern.wildcardPath, DateTime{}};
  List<std::string_view> parts;
  size_t at = 0;
  for (const SeriesField& field : pattern.fields) {
    std::string_view part = digits.substr(std::min(at, digits.size()), field.width());
    at += field.width();
    applyField(member.date, field, part);
    parts.push_back(part);
  }
  // From the last field back, so a shorter substitution does not move the
  // positions of the fields before it.
  for (size_t i = pattern.fields.size(); i-- > 0;) {
    const SeriesField& field = pattern.fields[i];
    member.path.replaceRange(field.position, field.width(), parts[i]);
  }
  return member;
}

bool isRealPeriod(const SeriesPattern& pattern, std::string_view digits) {
  if (!allDecimalDigits(digits) || static_cast<long>(digits.size()) != totalWidth(pattern))
    return false;
  DateTime date;
  size_t at = 0;
  for (const SeriesField& field : pattern.fields) {
    std::string_view part = digits.substr(at, field.width());
    at += field.width();
    if (field.kind == SeriesFieldKind::Season && !isSeasonDigits(part)) return false;
    applyField(date, field, part);
  }
  bool hasMonth = hasField(pattern, SeriesFieldKind::Month);
  bool hasYear = hasField(pattern, SeriesFieldKind::LongYear) ||
                 hasField(pattern, SeriesFieldKind::ShortYear) ||
                 hasField(pattern, SeriesFieldKind::Season);
  if (hasMonth && (date.month < 1 || date.month > 12)) return false;
  if (hasYear && (date.year < 1900 || date.year > 2099)) return false;
  if (!hasField(pattern, SeriesFieldKind::Day)) return true;
  return date.day >= 1 && date.day <= daysIn(hasMonth ? date.month : 0, hasYear ? date.year : 0);
}

bool matchesWildcard(std::string_view wildcardName, std::string_view fileName) {
  if (wildcardName.size() != fileName.size()) return false;
  for (size_t i = 0; i < fileName.size(); ++i)
    if (wildcardName[i] != '?' && wildcardName[i] != fileName[i]) return false;
  return true;
}

SeriesMember memberFromPath(const SeriesPattern& pattern, const Text& path, Text& digits,
                            Text& sortKey) {
  SeriesMember member{path, DateTime{}};
  Text year, month, day;
  digits = Text();
  for (const SeriesField& field : pattern.fields) {
    Text part = path.substring(field.position, field.width());
    digits += part;
    applyField(member.date, field, part);
    if (field.kind == SeriesFieldKind::Day)
      day = part;
    else if (field.kind == SeriesFieldKind::Month)
      month = part;
    else
      year = part;
  }
  sortKey = year + month + day;
  return member;
}

std::optional<DateTime> lastDayOfPeriod(const SeriesPattern& pattern, const DateTime& date) {
  const SeriesField* season = nullptr;
  bool year = false, month = false, day = false;
  for (const SeriesField& field : pattern.fields) {
    if (field.kind == SeriesFieldKind::Season) season = &field;
    year = year || field.kind == SeriesFieldKind::LongYear ||
           field.kind == SeriesFieldKind::ShortYear || field.kind == SeriesFieldKind::Season;
    month = month || field.kind == SeriesFieldKind::Month;
    day = day || field.kind == SeriesFieldKind::Day;
  }
  if (!year || (day && !month)) return std::nullopt;
  // A season's year is its first; it ends in its month of the next year.
  int lastMonth = month ? date.month : season ? season->seasonMonth : 12;
  int lastYear = date.year;
  if (season && lastMonth <= season->seasonMonth) ++lastYear;
  int lastDay = day ? date.day : daysIn(lastMonth, lastYear);
  return DateTime{lastDay, lastMonth, lastYear, 0, 0};
}
