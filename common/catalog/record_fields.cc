// The automatic values of a record and the single-line rule.
#include "common/catalog/record_fields.h"

AutomaticValues automaticValues(const Text& label, const Text& formName, const Text& computer,
                                const DateTime& when, const Text& refLabel) {
  AutomaticValues automatic;
  automatic.values[fieldIndex(AutomaticField::Label)] = label;
  automatic.values[fieldIndex(AutomaticField::FormId)] = formName;
  automatic.values[fieldIndex(AutomaticField::Computer)] = computer;
  automatic.values[fieldIndex(AutomaticField::Date)] =
      Text::fromInt(when.year, 4) + Text::fromInt(when.month, 2) + Text::fromInt(when.day, 2);
  automatic.values[fieldIndex(AutomaticField::Time)] =
      Text::fromInt(when.hour, 2) + Text::fromInt(when.minute, 2);
  automatic.values[fieldIndex(AutomaticField::RefLabel)] = refLabel;
  return automatic;
}

Text singleLine(std::string_view text) {
  Text out(text);
  for (char& c : out.str())
    if (c == '\n' || c == '\r') c = ' ';
  return out;
}

bool takeAutomaticField(AutomaticValues& values, std::string_view name, std::string_view value) {
  for (int i = 0; i < kAutomaticFieldCount; ++i) {
    if (equalsIgnoreCase(name, kItemAutomaticNames[i])) {
      values.values[i] = Text(value);
      return true;
    }
  }
  return false;
}
