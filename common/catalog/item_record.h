// The item form of catalog records (a group without DATA), writer and
// reader side by side.
//
// The bytes: one line per field, "name==value", or for a value that holds a
// line feed a bracketed block: "name=+WORD", the value's lines, "WORD", where
// WORD is "LABEL" with "x" appended until the value does not hold it. The
// automatic fields come first, each unless the group leaves it out:
//
//   &LABEL==ORD-3
//   &FORMID==order
//   &COMPUTER==192.0.2.7
//   &DATE==19990315
//   &TIME==1405
//   &REFLABEL==ORD-1        only when there is a reference label
//   name==Ana               the posted fields in the order posted, the
//   note=+LABEL             values of a repeated field together
//   first line
//   second line
//   LABEL
//                           an empty line ends the record
#pragma once

#include <string_view>

#include "common/catalog/line_source.h"
#include "common/catalog/record_fields.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

// "LABEL", with "x" appended while the value still contains it.
Text terminatorFor(std::string_view value);

// One field line, or the block of a value with a line feed. A line break in
// the name becomes a space.
Text itemFieldLine(std::string_view name, std::string_view value);

// The automatic lines of a record.
Text itemAutomaticLines(const AutomaticValues& automatic, AutomaticFields omitted);

// A whole record: the automatic lines, a line per value of each posted
// field, the empty line.
Text itemRecordText(const AutomaticValues& automatic, AutomaticFields omitted,
                    const ParamList& posted);

// Reads the next record from `lines`. End when the input ends before it;
// Malformed at a line without "=" or whose "=" is followed by neither "="
// nor "+". When `text` is given it receives the record's lines, each with a
// line feed, and one more line feed (the empty line). A block whose closing
// word never comes ends the record without that field. An empty line alone
// is a record without fields.
RecordRead readItemRecord(LineSource& lines, FieldSink& sink, Text* text);

// How many records the item-form lines hold, counted by their structure
// alone (blocks skipped, an empty line ends a record), without keeping any
// value: a count that costs no more memory however large the file.
long countItemRecords(LineSource& lines);
