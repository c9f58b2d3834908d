// Choosing the item form or the delimited form for whole records.
#include "common/catalog/record_layout.h"

#include "common/catalog/delimited_record.h"
#include "common/catalog/item_record.h"

RecordLayout::RecordLayout(std::string_view dataFields, AutomaticFields omitted)
    : dataFields_(dataFields), omitted_(omitted) {
  if (delimited()) names_ = ::delimitedNames(dataFields, omitted);
}

Text RecordLayout::recordText(const AutomaticValues& automatic, const ParamList& posted) const {
  if (!delimited()) return itemRecordText(automatic, omitted_, posted);
  return delimitedRecordText(automatic, omitted_, dataFields_, posted);
}

RecordRead RecordLayout::read(LineSource& lines, FieldSink& sink, Text* text) const {
  if (!delimited()) return readItemRecord(lines, sink, text);
  return readDelimitedRecord(lines, names_, delimiter(), sink, text);
}

RecordLayout recordLayoutOf(const GroupDescription& group) {
  return RecordLayout(group.dataFields, group.omittedFields);
}
