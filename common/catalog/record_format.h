// The two layouts of catalog records, writer and reader side by side.
//
// Item form: one "name==value" line per field, or a bracketed block
// "name=+WORD", the value's lines, "WORD"; an empty line ends the record.
// Delimited form: one line per record, the automatic values and then the
// values of the DATA field list, separated by the delimiter.
#pragma once

#include <string_view>

#include "common/catalog/line_source.h"
#include "common/text/list.h"
#include "common/text/text.h"

// The automatic fields in the order they are written; field i is left out
// when bit 1 << i of the omitted set (the VARS letters L F C D T R) is on.
inline constexpr int kAutomaticFieldCount = 6;
inline constexpr std::string_view kItemAutomaticNames[kAutomaticFieldCount] = {
    "&LABEL", "&FORMID", "&COMPUTER", "&DATE", "&TIME", "&REFLABEL"};
inline constexpr std::string_view kDelimitedAutomaticNames[kAutomaticFieldCount] = {
    "&label", "&formid", "&computer", "&date", "&time", "&reflabel"};
inline constexpr int kRefLabelField = 5;

// The values of the automatic fields of one record, in the order above.
struct AutomaticValues {
  Text values[kAutomaticFieldCount];
};

// Text that must stay on its line (a label, a field name, an index entry
// field): every line feed and carriage return becomes a space, so outside
// text can never start a line of its own in a record or an index.
Text singleLine(std::string_view text);

// "LABEL", with "x" appended while the value still contains it.
Text terminatorFor(std::string_view value);

// One item-form field: "name==value\n", or for a value with a line feed
// "name=+WORD\nvalue\nWORD\n".
Text itemFieldLine(std::string_view name, std::string_view value);

// The automatic lines of an item-form record; the reference label line only
// when the reference label is non-empty.
Text itemAutomaticLines(const AutomaticValues& automatic, int omittedFields);

// The automatic values of a delimited record, each followed by the delimiter
// (the reference label column too when it is empty); a value that holds the
// delimiter is quoted as delimitedValue quotes a posted value.
Text delimitedAutomaticValues(const AutomaticValues& automatic, int omittedFields, char delimiter);

// A posted value in the delimited form: line feeds become spaces; a value
// holding the delimiter or beginning with a double quote has its quotes
// doubled and is put in double quotes, so that splitDelimitedLine gives it
// back whole (with any delimiter but the double quote itself).
Text delimitedValue(std::string_view value, char delimiter);

// The names that the delimited reader pairs with the values of a line: the
// automatic names not omitted, then the DATA names, separated by the
// delimiter (dataFields without its first character).
Text delimitedNames(std::string_view dataFields, int omittedFields);

// Receives the fields of a record as they are read.
class FieldSink {
 public:
  virtual ~FieldSink() = default;
  // False when the value of this field is not needed: a long bracketed value
  // is then skipped without being kept in memory.
  virtual bool wants(std::string_view) { return true; }
  virtual void field(std::string_view name, std::string_view value) = 0;
};

enum class RecordRead { End, Record, Malformed };

// Reads the next item-form record from `lines`. End when the input ends
// before it; Malformed at a line without "=" or whose "=" is followed by
// neither "=" nor "+". When `text` is given it receives the record's lines,
// each with a line feed, and one more line feed (the empty line). A block
// whose closing word never comes ends the record without that field.
RecordRead readItemRecord(LineSource& lines, FieldSink& sink, Text* text);

// Splits a delimited record line. A value that the writer put in double
// quotes (it held the delimiter or began with a quote) is read back without
// them and with its doubled quotes single; any other value is taken as it
// stands, quotes included, up to the next delimiter.
List<Text> splitDelimitedLine(std::string_view line, char delimiter);
// Value number `column` (from 0) of the line as splitDelimitedLine splits
// it, without splitting the values after it; false when the line has fewer.
bool delimitedColumn(std::string_view line, char delimiter, size_t column, Text& value);

// Pairs the names with the values of one delimited line, in order, until
// either runs out. Values are split as splitDelimitedLine splits them, so a
// value that held the delimiter (every Slovenian letter holds ";" in its
// entity name) comes back whole and does not shift the fields after it.
void splitDelimited(std::string_view line, std::string_view names, char delimiter, FieldSink& sink);
