// DateTime and the dash-code date formatter with English and Slovenian day and
// month names (Slovenian letters as entity names, converted on output).
#pragma once

#include <string_view>

#include "common/text/text.h"

struct DateTime {
  int day = 0;
  int month = 0;
  int year = 0;
  int hour = 0;
  int minute = 0;

  // The current local date and time.
  static DateTime now();
};

// Days since 1970-01-01 of a calendar date, and the date of such a day.
long daysSinceEpoch(int year, int month, int day);
DateTime dateOfDay(long days);

// 0 for Sunday to 6 for Saturday (Gauss's rule, Gregorian calendar).
int weekday(const DateTime& date);

// Copies `format`, replacing each dash code ("-d", "-B", "--" ...) by its
// value; names follow `languageIndex` unless the code names its language.
// A dash before a character that is no code writes nothing.
Text formatDate(const DateTime& date, std::string_view format, int languageIndex);
