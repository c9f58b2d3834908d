// ParamList storage, value normalisation and the decoders of request parameters.
#include "common/text/param_list.h"

#include <algorithm>

namespace {

void normaliseNew(Text& value) {
  expandQuotedLetters(value);
  value.removeChar('\r');
}

void normaliseFurther(Text& value) {
  value.removeChar('\r');
  expandQuotedLetters(value);
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParamList::NameLess::operator()(std::string_view a, std::string_view b) const {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(upperAscii(a[i]));
    unsigned char y = static_cast<unsigned char>(upperAscii(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

void ParamList::reindex() {
  index_.clear();
  for (size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].name.str(), i);
}

const Param* ParamList::find(std::string_view name) const {
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : &entries_[it->second];
}

Param* ParamList::find(std::string_view name) {
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : &entries_[it->second];
}

// A new entry's value is expanded before its carriage returns go; a value
// given to an existing entry, by either mode, loses them first.
void ParamList::add(std::string_view name, std::string_view value, AddMode mode) {
  if (name.empty()) return;
  Text stored(value);
  Param* entry = find(name);
  if (!entry) {
    normaliseNew(stored);
    appendEntry(name, std::move(stored));
    return;
  }
  normaliseFurther(stored);
  if (mode == AddMode::Replace) {
    entry->value = std::move(stored);
  } else {
    entry->further.push_back(std::move(stored));
  }
}

void ParamList::setVerbatim(std::string_view name, std::string_view value) {
  if (name.empty()) return;
  if (Param* entry = find(name)) {
    entry->value = Text(value);
    return;
  }
  appendEntry(name, Text(value));
}

void ParamList::appendEntry(std::string_view name, Text value) {
  index_.emplace(std::string(name), entries_.size());
  entries_.push_back(Param{Text(name), std::move(value), {}});
}

void ParamList::insertBefore(size_t at, std::string_view name, std::string_view value) {
  if (name.empty()) return;
  Text stored(value);
  normaliseNew(stored);
  if (at > entries_.size()) at = entries_.size();
  entries_.insert(entries_.begin() + static_cast<long>(at),
                  Param{Text(name), std::move(stored), {}});
  reindex();
}

Text ParamList::value(std::string_view name, long position) const {
  const Param* entry = find(name);
  if (!entry || position < 0) return Text();
  if (position == 0) return entry->value;
  if (static_cast<size_t>(position) > entry->further.size()) return Text();
  return entry->further[static_cast<size_t>(position) - 1];
}

bool ParamList::contains(std::string_view name, std::string_view value) const {
  const Param* entry = find(name);
  if (!entry) return false;
  if (entry->value == value) return true;
  for (const Text& v : entry->further)
    if (v == value) return true;
  return false;
}

void ParamList::remove(std::string_view name, std::string_view value) {
  Param* entry = find(name);
  if (!entry) return;
  if (value.empty()) {
    entries_.erase(entries_.begin() + static_cast<long>(entry - entries_.data()));
    reindex();
    return;
  }
  std::erase_if(entry->further, [&](const Text& v) { return v == value; });
  if (entry->value == value) {
    if (entry->further.empty()) {
      entry->value = Text();
    } else {
      entry->value = entry->further.front();
      entry->further.erase(entry->further.begin());
    }
  }
}

void ParamList::clear() {
  entries_.clear();
  index_.clear();
}

void expandQuotedLetters(Text& text) {
  std::string& s = text.str();
  if (s.find('"') == std::string::npos) return;
  std::string out;
  out.reserve(s.size() + 16);
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '"' || i + 1 >= s.size()) {
      out += s[i];
      continue;
    }
    char next = s[i + 1];
    const char* entity = nullptr;
    switch (next) {
      case 'c': entity = "&ccaron;"; break;
      case 's': entity = "&scaron;"; break;
      case 'z': entity = "&zcaron;"; break;
      case 'C': entity = "&Ccaron;"; break;
      case 'S': entity = "&Scaron;"; break;
      case 'Z': entity = "&Zcaron;"; break;
      default: break;
    }
    if (next == '"') {
      out += '"';  // the first of two quotes is removed, the scan goes on after the second
      ++i;
    } else if (entity) {
      out += entity;
      ++i;
    } else {
      out += '"';
    }
  }
  s = std::move(out);
}

Text protectQuotedLetters(std::string_view text) {
  Text out;
  for (size_t i = 0; i < text.size(); ++i) {
    bool startsPair = text[i] == '"' && i + 1 < text.size() &&
                      std::string_view("cszCSZ\"").find(text[i + 1]) != std::string_view::npos;
    if (startsPair) out += '"';
    out += text[i];
  }
  return out;
}

void urlDecode(Text& text) {
  std::string& s = text.str();
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%') {
      int high = i + 1 < s.size() ? hexValue(s[i + 1]) : -1;
      int low = i + 2 < s.size() ? hexValue(s[i + 2]) : -1;
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
      }
    } else {
      out += c;
    }
  }
  s = std::move(out);
}

Text percentEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  Text out;
  for (char c : text) {
    unsigned char b = static_cast<unsigned char>(c);
    bool plain = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                 b == '-' || b == '_' || b == '.' || b == '~' || b == ',';
    if (plain) {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

bool parseParams(std::string_view text, char separator, ParamList& list,
                 const ParamLimits& limits) {
  size_t items = 0;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find(separator, start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(start, end - start);
    start = end + 1;
    if (raw.empty()) continue;
    if (++items > limits.items) return false;
    Text item(raw);
    urlDecode(item);
    long eq = item.findChar('=');
    size_t nameLength = eq < 0 ? item.str().size() : static_cast<size_t>(eq);
    size_t valueLength = eq < 0 ? 0 : item.str().size() - nameLength - 1;
    if (nameLength > limits.nameLength || valueLength > limits.valueLength) return false;
    if (eq < 0 || valueLength == 0) continue;
    list.add(item.view().substr(0, nameLength), item.view().substr(nameLength + 1),
             AddMode::Append);
  }
  return true;
}
