// The order of sorted insertion: whether an old record (or index entry) stays
// before a new one, by numeric or byte-wise comparison of their sort keys.
#pragma once

#include <string_view>

// A key read as a decimal floating-point number; text that does not begin
// with a number reads as 0.
double numericKey(std::string_view key);

// True when the old item goes before the new item. Ties keep the new item
// first in ascending order and after its equals in reverse order.
bool goesBefore(std::string_view oldKey, std::string_view newKey, bool numeric, bool reverse);
