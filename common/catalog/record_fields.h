// What both record layouts share: the automatic fields' names and values,
// the receiver of the fields that a reader finds, and what reading one
// record gave.
#pragma once

#include <string_view>

#include "common/language/date_time.h"
#include "common/settings/automatic_fields.h"
#include "common/text/text.h"

// The automatic fields' names as the item form writes them, and as the
// delimited reader names its columns. Names compare ignoring case, so a
// field is found under either.
inline constexpr std::string_view kItemAutomaticNames[kAutomaticFieldCount] = {
    "&LABEL", "&FORMID", "&COMPUTER", "&DATE", "&TIME", "&REFLABEL"};
inline constexpr std::string_view kDelimitedAutomaticNames[kAutomaticFieldCount] = {
    "&label", "&formid", "&computer", "&date", "&time", "&reflabel"};

// The request's language an item record keeps after the automatic fields
// when its group asks for it (recordLanguage=on): "eng" or "slo".
inline constexpr std::string_view kLanguageFieldName = "&FORMLANGUAGE";

// The values of the automatic fields of one record.
struct AutomaticValues {
  Text values[kAutomaticFieldCount];  // in record order
  const Text& operator[](AutomaticField field) const { return values[fieldIndex(field)]; }
};

// Keeps `value` in `values` when `name` is an automatic field's name as the
// item form writes it (in any letter case); false for any other field.
bool takeAutomaticField(AutomaticValues& values, std::string_view name, std::string_view value);

// The values of a record stored at `when`: its label, the form's name, the
// submitting computer's address, the date as yyyymmdd, the time as hhmm and
// the reference label.
AutomaticValues automaticValues(const Text& label, const Text& formName, const Text& computer,
                                const DateTime& when, const Text& refLabel);

// Text that must stay on its line (a label, a field name, an index entry
// field): every line feed and carriage return becomes a space, so outside
// text can never start a line of its own in a record or an index.
Text singleLine(std::string_view text);

// Receives the fields of a record as they are read.
class FieldSink {
 public:
  virtual ~FieldSink() = default;
  // False when the value of this field is not needed: a long bracketed value
  // is then skipped without being kept in memory.
  virtual bool wants(std::string_view) { return true; }
  virtual void field(std::string_view name, std::string_view value) = 0;
};

// End: the input ended before the record. Malformed: an item-form line
// that is no field line.
enum class RecordRead { End, Record, Malformed };
