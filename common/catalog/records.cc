// The record writer and reader of CatalogGroup: the group supplies the layout
// (dataFields), the omitted automatic fields, the date and the posted fields.
#include <cstdio>

#include "common/catalog/record_format.h"
#include "common/files/path.h"
#include "common/settings/catalog_group.h"

namespace {

void put(std::FILE* file, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), file);
}

// Adds every field to a parameter list, as a record is read back.
class ParamSink : public FieldSink {
 public:
  explicit ParamSink(ParamList& fields) : fields_(fields) {}
  void field(std::string_view name, std::string_view value) override {
    fields_.add(name, value, AddMode::Append);
  }

 private:
  ParamList& fields_;
};

AutomaticValues automaticValues(const DateTime& today, const Text& label, const Text& formName,
                                const Text& refLabel) {
  AutomaticValues automatic;
  automatic.values[0] = label;
  automatic.values[1] = formName;
  automatic.values[2] = envValue("REMOTE_ADDR");
  automatic.values[3] =
      Text::fromInt(today.year, 4) + Text::fromInt(today.month, 2) + Text::fromInt(today.day, 2);
  automatic.values[4] = Text::fromInt(today.hour, 2) + Text::fromInt(today.minute, 2);
  automatic.values[kRefLabelField] = refLabel;
  return automatic;
}

}  // namespace

long CatalogGroup::writeRecord(std::FILE* file, const Text& label, const Text& formName,
                               const Text& refLabel) {
  long offset = std::ftell(file);
  AutomaticValues automatic = automaticValues(today, label, formName, refLabel);
  if (dataFields.empty()) {
    put(file, itemAutomaticLines(automatic, omittedFields));
    for (const Param& param : postParams()) {
      writeField(file, param.name, param.value);
      for (const Text& value : param.further) writeField(file, param.name, value);
    }
    put(file, "\n");
    return offset;
  }
  char delimiter = dataFields[0];
  Text line = delimitedAutomaticValues(automatic, omittedFields, delimiter);
  Text names = dataFields.substring(1) + delimiter;
  for (long stop; (stop = names.findChar(delimiter)) >= 0;) {
    line += delimitedValue(postParams().value(names.substring(0, stop)), delimiter);
    names.erase(0, stop + 1);
    if (!names.empty()) line += delimiter;
  }
  line += '\n';
  put(file, line);
  return offset;
}

void CatalogGroup::writeField(std::FILE* file, const Text& name, const Text& value) {
  put(file, itemFieldLine(name, value));
}

Text CatalogGroup::readRecord(std::FILE* file, ParamList& fields) {
  fields.clear();
  FileLines lines(file);
  ParamSink sink(fields);
  if (!dataFields.empty()) {
    std::string_view line;
    if (!lines.next(line)) return Text();
    splitDelimited(line, delimitedNames(dataFields, omittedFields), dataFields[0], sink);
    return Text(line) + '\n';
  }
  Text text;
  if (readItemRecord(lines, sink, &text) == RecordRead::Malformed) fatal(messages::kBadRecord);
  return text;
}
