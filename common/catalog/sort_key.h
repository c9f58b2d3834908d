// Reading the sort key of catalog records without keeping the records: the
// first value of the sort field, normalised as a parameter list stores it,
// exactly as the record reader would give it. Sorted insertion compares
// these keys and passes every other field by.
#pragma once

#include <string_view>

#include "common/catalog/line_source.h"
#include "common/catalog/record_layout.h"
#include "common/text/text.h"

class SortKeyReader {
 public:
  // `field` is the sort field (names compare ignoring ASCII case; an empty
  // one gives every record an empty key).
  SortKeyReader(const RecordLayout& layout, std::string_view field);

  // Reads the next record of `lines` and sets `key` to its sort key, empty
  // when the record lacks the field. End and Malformed as the record reader.
  // An item-form record is passed in pieces of one block of `lines`, so a
  // long value costs no memory unless it is the key; a delimited record is
  // one line and is read whole.
  RecordRead next(BlockLines& lines, Text& key);

 private:
  enum class Step { Next, EndOfRecord, Malformed };
  RecordRead nextItem(BlockLines& lines, Text& key);
  RecordRead nextDelimited(BlockLines& lines, Text& key);
  Step readField(BlockLines& lines, std::string_view start, bool whole, Text& key, bool& found);
  bool isSortField(std::string_view name) const;

  Text field_;
  bool delimited_;
  char delimiter_ = 0;
  long column_ = -1;  // the sort field's value among a delimited line's, -1 for none
  size_t peekLimit_;
};
