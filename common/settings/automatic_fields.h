// The automatic fields of a record (label, form name, computer, date, time,
// reference label) and the set of them that a group leaves out of its
// records, which its group file writes as the VARS letters L F C D T R.
#pragma once

#include <bitset>
#include <cstddef>

// In the order a record holds them.
enum class AutomaticField { Label, FormId, Computer, Date, Time, RefLabel };

inline constexpr int kAutomaticFieldCount = 6;
inline constexpr AutomaticField kAutomaticFields[kAutomaticFieldCount] = {
    AutomaticField::Label, AutomaticField::FormId, AutomaticField::Computer,
    AutomaticField::Date,  AutomaticField::Time,   AutomaticField::RefLabel};

// The position of a field in record order, for tables indexed by field.
constexpr size_t fieldIndex(AutomaticField field) { return static_cast<size_t>(field); }

class AutomaticFields {
 public:
  bool contains(AutomaticField field) const { return fields_.test(fieldIndex(field)); }
  void add(AutomaticField field) { fields_.set(fieldIndex(field)); }
  bool empty() const { return fields_.none(); }
  // Records of the posted fields alone.
  static AutomaticFields all() {
    AutomaticFields every;
    every.fields_.set();
    return every;
  }
  bool operator==(const AutomaticFields&) const = default;

 private:
  std::bitset<kAutomaticFieldCount> fields_;
};
