// Key comparison of the sorted merge.
#include "common/catalog/sort_order.h"

#include <cstdlib>
#include <string>

double numericKey(std::string_view key) {
  // Only the decimal form is read: no hexadecimal, infinity or NaN spellings.
  size_t i = 0;
  while (i < key.size() && (key[i] == ' ' || key[i] == '\t')) ++i;
  size_t start = i;
  if (i < key.size() && (key[i] == '+' || key[i] == '-')) ++i;
  while (i < key.size() && ((key[i] >= '0' && key[i] <= '9') || key[i] == '.')) ++i;
  if (i < key.size() && (key[i] == 'e' || key[i] == 'E')) {
    size_t e = i + 1;
    if (e < key.size() && (key[e] == '+' || key[e] == '-')) ++e;
    if (e < key.size() && key[e] >= '0' && key[e] <= '9') {
      i = e;
      while (i < key.size() && key[i] >= '0' && key[i] <= '9') ++i;
    }
  }
  std::string number(key.substr(start, i - start));
  return std::strtod(number.c_str(), nullptr);
}

bool goesBefore(std::string_view oldKey, std::string_view newKey, bool numeric, bool reverse) {
  bool less = numeric ? numericKey(oldKey) < numericKey(newKey) : oldKey < newKey;
  return reverse ? !less : less;
}
