// RecordLayout: the layout of a group's catalog records, the item form
// (item_record.h) when the group has no DATA, else the delimited form
// (delimited_record.h), with the automatic fields the group leaves out. It
// is the one writer and the one reader of whole records.
#pragma once

#include <string_view>

#include "common/catalog/line_source.h"
#include "common/catalog/record_fields.h"
#include "common/settings/group_file.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

class RecordLayout {
 public:
  // `dataFields` is the DATA value of the group: empty for the item form.
  RecordLayout(std::string_view dataFields, AutomaticFields omitted);

  bool delimited() const { return !dataFields_.empty(); }
  // REQUIRES: delimited().
  char delimiter() const { return dataFields_[0]; }
  const Text& dataFields() const { return dataFields_; }
  AutomaticFields omitted() const { return omitted_; }
  // The names a delimited line's values pair with (delimitedNames).
  const Text& delimitedNames() const { return names_; }

  // The record of `posted` with the automatic values, as it is stored.
  Text recordText(const AutomaticValues& automatic, const ParamList& posted) const;
  // Reads the next record from `lines`, as readItemRecord or
  // readDelimitedRecord read it: a blank line is a record without fields.
  RecordRead read(LineSource& lines, FieldSink& sink, Text* text = nullptr) const;

 private:
  Text dataFields_;
  AutomaticFields omitted_;
  Text names_;
};

// The layout of the records of `group`.
RecordLayout recordLayoutOf(const GroupDescription& group);

// Adds every field to a parameter list (Append), as a request's fields are.
class ParamListSink : public FieldSink {
 public:
  explicit ParamListSink(ParamList& fields) : fields_(fields) {}
  void field(std::string_view name, std::string_view value) override {
    fields_.add(name, value, AddMode::Append);
  }

 private:
  ParamList& fields_;
};
