// The delimited form of catalog records (a group with DATA), writer and
// reader side by side.
//
// The bytes: one line per record. DATA is the delimiter followed by the
// names of the posted fields that a record keeps, separated by it
// ("data=;name;city"). A record holds the automatic values, each followed
// by the delimiter unless the group leaves it out (the reference label's
// column too when it is empty), then the current value of each DATA field
// (empty when it was not posted), separated by the delimiter:
//
//   ORD-3;order;192.0.2.7;19990315;1405;;Ana;"Kranj; Slovenia"
//
// In a value a line feed becomes a space; a value that holds the delimiter
// or begins with a double quote is put in double quotes with its quotes
// doubled, so that it reads back whole (with any delimiter but the double
// quote itself). Any other value stands as it is, quotes included, which is
// how older versions wrote every value.
#pragma once

#include <string_view>

#include "common/catalog/line_source.h"
#include "common/catalog/record_fields.h"
#include "common/text/list.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

// A value as it is written.
Text delimitedValue(std::string_view value, char delimiter);

// The automatic values of a record, each followed by the delimiter.
Text delimitedAutomaticValues(const AutomaticValues& automatic, AutomaticFields omitted,
                              char delimiter);

// A whole record of the fields that `dataFields` (the DATA value) names,
// with its line feed. REQUIRES: dataFields is not empty.
Text delimitedRecordText(const AutomaticValues& automatic, AutomaticFields omitted,
                         std::string_view dataFields, const ParamList& posted);

// The names that the reader pairs with the values of a line: the automatic
// names not left out, then the DATA names, separated by the delimiter.
Text delimitedNames(std::string_view dataFields, AutomaticFields omitted);

// Splits a record line into its values: a quoted value comes back without
// its quotes and with its doubled quotes single.
List<Text> splitDelimitedLine(std::string_view line, char delimiter);
// Value number `column` (from 0) of the line as splitDelimitedLine splits
// it, without splitting the values after it; false when the line has fewer.
bool delimitedColumn(std::string_view line, char delimiter, size_t column, Text& value);

// Pairs the names with the values of one line, in order, until either runs
// out. A value that held the delimiter (every Slovenian letter holds ";" in
// its entity name) comes back whole and does not shift the fields after it.
void splitDelimited(std::string_view line, std::string_view names, char delimiter, FieldSink& sink);

// Reads the next record from `lines`: End at the end of the input; an empty
// line is a record without fields. `names` as delimitedNames gives them;
// `text`, when given, receives the line with its line feed.
RecordRead readDelimitedRecord(LineSource& lines, std::string_view names, char delimiter,
                               FieldSink& sink, Text* text);
