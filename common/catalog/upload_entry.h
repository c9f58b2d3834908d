// The value a record keeps for an uploaded file: the visitor's name for it,
// then the name it is stored under and its size, as
//   "report.pdf (f1.bin, 12345 bytes)".
// The stored name and size are read from the end of the value, so a name
// of the visitor's that holds " (" or ", " cannot stand in for them.
#pragma once

#include <optional>
#include <string_view>

#include "common/text/text.h"

struct UploadEntry {
  Text originalName;  // as cleanOriginalName left it
  Text storedName;    // "f1.bin", "f2.bin" ...
  long long size = 0;
};

// The longest original name kept, in bytes.
inline constexpr size_t kMaxOriginalName = 200;

Text uploadEntryText(const UploadEntry& entry);
// The entry a value holds, or nothing when it is not exactly of that form.
std::optional<UploadEntry> parseUploadEntry(std::string_view value);

// The name of the n-th file (1, 2, ...) of a record on disk.
Text storedUploadName(int number);
// True for the names storedUploadName gives and nothing else: "f", a number
// without leading zero of at most five digits (a form sends at most
// 10,000 parts), ".bin".
bool isStoredUploadName(std::string_view name);

// The filename a browser sent reduced to what a record may show: its last
// path component (after "/" or "\"), without control bytes, at most
// kMaxOriginalName bytes (never cutting a UTF-8 letter); "file" when
// nothing is left.
Text cleanOriginalName(std::string_view fileName);
