// Reading the retention keys of a group's options file.
#include "common/settings/retention_options.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr std::string_view kKey = "retainDays";
// Longer than any site keeps anything, and far from overflowing a day count.
constexpr long kMostDays = 1000000;

// The days of a value; -1 when it is no whole number in range.
long readDays(std::string_view value) {
  long days = -1;
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), days);
  if (value.empty() || error != std::errc() || end != value.data() + value.size()) return -1;
  return days >= 0 && days <= kMostDays ? days : -1;
}

}  // namespace

long RetentionOptions::daysOf(std::string_view catalogName) const {
  for (const CatalogDays& entry : catalogDays)
    if (entry.catalog.equalsIgnoreCase(catalogName)) return entry.days;
  return days;
}

bool RetentionOptions::any(const List<CatalogEntry>& catalogs) const {
  return std::any_of(catalogs.begin(), catalogs.end(),
                     [this](const CatalogEntry& entry) { return daysOf(entry.name) > 0; });
}

long RetentionOptions::logDays(const List<CatalogEntry>& catalogs) const {
  if (days > 0) return days;
  long longest = 0;
  for (const CatalogEntry& entry : catalogs) {
    long kept = daysOf(entry.name);
    if (kept == 0) return 0;
    longest = std::max(longest, kept);
  }
  return longest;
}

bool readRetentionOption(std::string_view key, std::string_view value, RetentionOptions& options) {
  if (key.size() < kKey.size() || !equalsIgnoreCase(key.substr(0, kKey.size()), kKey)) return false;
  std::string_view rest = key.substr(kKey.size());
  long days = readDays(value);
  if (rest.empty()) {
    if (days >= 1) options.days = days;
    return true;
  }
  if (rest.front() != '.' || rest.size() == 1) return false;
  if (days < 0) return true;
  Text catalog(rest.substr(1));
  for (RetentionOptions::CatalogDays& entry : options.catalogDays) {
    if (entry.catalog.equalsIgnoreCase(catalog.view())) {
      entry.days = days;
      return true;
    }
  }
  options.catalogDays.push_back({catalog, days});
  return true;
}
