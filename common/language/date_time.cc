// Date formatting with dash codes and the name tables of both languages.
#include "common/language/date_time.h"

#include <ctime>

namespace {

constexpr const char* kShortDays[2][7] = {{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"},
                                          {"Ned", "Pon", "Tor", "Sre", "&Ccaron;et", "Pet", "Sob"}};
constexpr const char* kLongDays[2][7] = {
    {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
    {"Nedelja", "Ponedeljek", "Torek", "Sreda", "&Ccaron;etrtek", "Petek", "Sobota"}};
constexpr const char* kShortMonths[2][12] = {
    {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
    {"Jan", "Feb", "Mar", "Apr", "Maj", "Jun", "Jul", "Avg", "Sep", "Okt", "Nov", "Dec"}};
constexpr const char* kLongMonths[2][12] = {
    {"January", "February", "March", "April", "May", "June", "July", "August", "September",
     "October", "November", "December"},
    {"januar", "februar", "marec", "april", "maj", "junij", "julij", "avgust", "september",
     "oktober", "november", "december"}};

// Dates that no caller should pass (month 0 of a series member without a
// month field, say) write no name rather than read outside the tables.
const char* dayName(const char* const (&table)[2][7], int language, const DateTime& date) {
  int day = weekday(date);
  return (day >= 0 && day < 7) ? table[language][day] : "";
}

const char* monthName(const char* const (&table)[2][12], int language, int month) {
  return (month >= 1 && month <= 12) ? table[language][month - 1] : "";
}

int floorMod(int a, int m) { return ((a % m) + m) % m; }
int floorDiv(int a, int b) { return (a - floorMod(a, b)) / b; }

void appendCode(Text& out, char code, const DateTime& d, int lang) {
  int hour12 = floorMod(d.hour + 11, 12) + 1;
  switch (code) {
    case 'a': out += dayName(kShortDays, lang, d); break;
    case 'A': out += dayName(kLongDays, lang, d); break;
    case 'b': out += monthName(kShortMonths, lang, d.month); break;
    case 'B': out += monthName(kLongMonths, lang, d.month); break;
    case 'w': out += dayName(kShortDays, 0, d); break;
    case 'W': out += dayName(kLongDays, 0, d); break;
    case 'n': out += monthName(kShortMonths, 0, d.month); break;
    case 'N': out += monthName(kLongMonths, 0, d.month); break;
    case 'c': out += dayName(kShortDays, 1, d); break;
    case 'C': out += dayName(kLongDays, 1, d); break;
    case 'e': out += monthName(kShortMonths, 1, d.month); break;
    case 'E': out += monthName(kLongMonths, 1, d.month); break;
    case 'd': out += Text::fromInt(d.day); break;
    case 'D': out += Text::fromInt(d.day, 2); break;
    case 'm': out += Text::fromInt(d.month); break;
    case 'M': out += Text::fromInt(d.month, 2); break;
    case 'y': out += Text::fromInt(floorMod(d.year, 100), 2); break;
    case 'Y': out += Text::fromInt(d.year); break;
    case 'h': out += Text::fromInt(d.hour); break;
    case 'H': out += Text::fromInt(d.hour, 2); break;
    case 'i': out += Text::fromInt(hour12); break;
    case 'I': out += Text::fromInt(hour12, 2); break;
    case 't': out += Text::fromInt(d.minute); break;
    case 'T': out += Text::fromInt(d.minute, 2); break;
    case 'p': out += d.hour < 12 ? "am" : "pm"; break;
    case 'P': out += d.hour < 12 ? "AM" : "PM"; break;
    case 'x':
      out += Text::fromInt(floorMod(d.year, 100), 2) + "/" +
             Text::fromInt(floorMod(d.year + 1, 100), 2);
      break;
    case 'X':
      out += Text::fromInt(d.year) + "/" + Text::fromInt(floorMod(d.year + 1, 100), 2);
      break;
    case '-': out += '-'; break;
    default: break;  // not a code: both characters are consumed, nothing is written
  }
}

}  // namespace

DateTime DateTime::now() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return DateTime{local.tm_mday, local.tm_mon + 1, local.tm_year + 1900, local.tm_hour,
                  local.tm_min};
}

long daysSinceEpoch(int year, int month, int day) {
  // Howard Hinnant's days_from_civil.
  year -= month <= 2;
  long era = (year >= 0 ? year : year - 399) / 400;
  long yearOfEra = year - era * 400;
  long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

DateTime dateOfDay(long days) {
  // Howard Hinnant's civil_from_days.
  days += 719468;
  long era = (days >= 0 ? days : days - 146096) / 146097;
  long dayOfEra = days - era * 146097;
  long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  long shiftedMonth = (5 * dayOfYear + 2) / 153;
  int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
  return DateTime{day, month, year, 0, 0};
}

int weekday(const DateTime& date) {
  int m = floorMod(date.month + 9, 12) + 1;
  int y = date.month <= 2 ? date.year - 1 : date.year;
  int c = floorDiv(y, 100);
  int r = floorMod(y, 100);
  return floorMod(date.day + floorDiv(13 * m - 1, 5) + floorDiv(5 * r, 4) + floorDiv(21 * c, 4), 7);
}

Text formatDate(const DateTime& date, std::string_view format, int languageIndex) {
  int lang = languageIndex == 1 ? 1 : 0;
  Text out;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '-') {
      out += format[i];
    } else if (i + 1 < format.size()) {
      appendCode(out, format[++i], date, lang);
    }
  }
  return out;
}
