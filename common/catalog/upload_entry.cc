// Writing and reading the record value of an uploaded file.
#include "common/catalog/upload_entry.h"

namespace {

constexpr std::string_view kSizeEnd = " bytes)";
constexpr size_t kMaxSizeDigits = 15;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isDecimal(std::string_view digits, size_t maxLength) {
  if (digits.empty() || digits.size() > maxLength) return false;
  if (digits.size() > 1 && digits.front() == '0') return false;
  for (char c : digits)
    if (!isDigit(c)) return false;
  return true;
}

long long decimalValue(std::string_view digits) {
  long long value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

}  // namespace

Text uploadEntryText(const UploadEntry& entry) {
  Text text = entry.originalName;
  text += " (";
  text += entry.storedName;
  text += ", ";
  text += Text::fromInt(static_cast<long>(entry.size));
  text += kSizeEnd;
  return text;
}

std::optional<UploadEntry> parseUploadEntry(std::string_view value) {
  if (!value.ends_with(kSizeEnd)) return std::nullopt;
  value.remove_suffix(kSizeEnd.size());
  size_t comma = value.rfind(", ");
  if (comma == std::string_view::npos) return std::nullopt;
  std::string_view digits = value.substr(comma + 2);
  if (!isDecimal(digits, kMaxSizeDigits)) return std::nullopt;
  value = value.substr(0, comma);
  size_t open = value.rfind(" (");
  if (open == std::string_view::npos || open == 0) return std::nullopt;
  std::string_view stored = value.substr(open + 2);
  if (!isStoredUploadName(stored)) return std::nullopt;
  UploadEntry entry;
  entry.originalName = Text(value.substr(0, open));
  entry.storedName = Text(stored);
  entry.size = decimalValue(digits);
  return entry;
}

Text storedUploadName(int number) { return "f" + Text::fromInt(number) + ".bin"; }

bool isStoredUploadName(std::string_view name) {
  if (!name.starts_with("f") || !name.ends_with(".bin")) return false;
  return isDecimal(name.substr(1, name.size() - 5), 5) && name[1] != '0';
}

Text cleanOriginalName(std::string_view fileName) {
  size_t slash = fileName.find_last_of("/\\");
  if (slash != std::string_view::npos) fileName.remove_prefix(slash + 1);
  Text name;
  for (char c : fileName) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) continue;
    name += std::string_view(&c, 1);
  }
  if (name.str().size() > kMaxOriginalName) {
    size_t cut = kMaxOriginalName;
    while (cut > 0 && (static_cast<unsigned char>(name.str()[cut]) & 0xC0) == 0x80) --cut;
    name.erase(static_cast<long>(cut));
  }
  if (name.empty()) name += "file";
  return name;
}
