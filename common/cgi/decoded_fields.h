// DecodedFields: where every body decoder (multipart, JSON) puts its fields.
// It applies the request's limits and adds each field exactly as the
// urlencoded decoder does, so a form stores the same whichever way it posts,
// and gives each name the one shape a record can hold.
#pragma once

#include <string_view>

#include "common/cgi/request_refusal.h"
#include "common/text/param_list.h"

// A JSON key or multipart name as a record stores it. A urlencoded name can
// never hold "=", these can: the item form writes "name==value" and reads the
// name up to its first "=", so "=" in a name would let a visitor forge or
// swallow records. "=" and NUL (which ends a name in C strings) become "_".
// Line breaks need nothing here: every record writer turns them into blanks.
inline Text storableFieldName(std::string_view name) {
  Text out(name);
  for (char& c : out.str())
    if (c == '=' || c == '\0') c = '_';
  return out;
}

class DecodedFields {
 public:
  DecodedFields(ParamList& list, const ParamLimits& limits) : list_(list), limits_(limits) {}

  // Counts one more item; TooLarge once there are more than the limit allows.
  Refusal countItem() { return ++items_ > limits_.items ? Refusal::TooLarge : Refusal::None; }
  bool nameFits(size_t length) const { return length <= limits_.nameLength; }
  bool valueFits(size_t length) const { return length <= limits_.valueLength; }
  // Adds a counted field; an empty value is no field, as in a urlencoded body.
  void add(std::string_view name, std::string_view value) {
    if (!value.empty()) list_.add(storableFieldName(name), value, AddMode::Append);
  }

 private:
  ParamList& list_;
  const ParamLimits& limits_;
  size_t items_ = 0;
};
