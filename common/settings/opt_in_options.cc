// Reading the double opt-in keys of a group's options file.
#include "common/settings/opt_in_options.h"

#include <charconv>

namespace {

// Longer than any link should stay valid, far from overflowing a day count.
constexpr long kMostDays = 3650;

}  // namespace

bool readOptInOption(std::string_view key, std::string_view value, OptInOptions& options) {
  if (equalsIgnoreCase(key, "confirmField")) {
    options.field = Text(value);
  } else if (equalsIgnoreCase(key, "confirmTemplate")) {
    options.templateFile = Text(value);
  } else if (equalsIgnoreCase(key, "confirmDays")) {
    long days = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), days);
    if (error == std::errc() && end == value.data() + value.size() && days >= 1 &&
        days <= kMostDays)
      options.days = days;
  } else {
    return false;
  }
  return true;
}
