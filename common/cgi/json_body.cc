// The JSON body decoder: one pass over the bytes, no recursion.
#include "common/cgi/json_body.h"

#include <optional>
#include <string>

#include "common/text/utf8.h"

namespace {

class JsonReader {
 public:
  JsonReader(std::string_view text, DecodedFields& fields) : text_(text), fields_(fields) {}

  Refusal readBody() {
    skipBlanks();
    if (!take('{')) return Refusal::Malformed;
    skipBlanks();
    if (!take('}')) {
      do {
        if (Refusal r = readMember(); r != Refusal::None) return r;
        skipBlanks();
      } while (take(','));
      if (!take('}')) return Refusal::Malformed;
    }
    skipBlanks();
    return at_ == text_.size() ? Refusal::None : Refusal::Malformed;
  }

 private:
  // "name": value, where an array gives the name once per element.
  Refusal readMember() {
    skipBlanks();
    std::optional<std::string> name = readString();
    if (!name) return Refusal::Malformed;
    if (!fields_.nameFits(name->size())) return Refusal::TooLarge;
    skipBlanks();
    if (!take(':')) return Refusal::Malformed;
    skipBlanks();
    if (!take('[')) return readField(*name);
    skipBlanks();
    if (take(']')) return Refusal::None;
    do {
      skipBlanks();
      if (Refusal r = readField(*name); r != Refusal::None) return r;
      skipBlanks();
    } while (take(','));
    return take(']') ? Refusal::None : Refusal::Malformed;
  }

  Refusal readField(const std::string& name) {
    std::optional<std::string> value = readScalar();
    if (!value) return Refusal::Malformed;
    if (Refusal counted = fields_.countItem(); counted != Refusal::None) return counted;
    if (!fields_.valueFits(value->size())) return Refusal::TooLarge;
    fields_.add(name, *value);
    return Refusal::None;
  }

  std::optional<std::string> readScalar() {
    if (peek() == '"') return readString();
    for (const char* word : {"true", "false", "null"}) {
      if (text_.substr(at_).starts_with(word)) {
        at_ += std::string_view(word).size();
        return word[0] == 'n' ? std::string() : std::string(word);
      }
    }
    return readNumber();
  }

  // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?, kept as written.
  std::optional<std::string> readNumber() {
    size_t start = at_;
    take('-');
    if (!take('0') && !digits()) return std::nullopt;
    if (take('.') && !digits()) return std::nullopt;
    if (take('e') || take('E')) {
      if (!take('+')) take('-');
      if (!digits()) return std::nullopt;
    }
    return std::string(text_.substr(start, at_ - start));
  }

  bool digits() {
    size_t start = at_;
    while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
    return at_ > start;
  }

  std::optional<std::string> readString() {
    if (!take('"')) return std::nullopt;
    std::string out;
    while (at_ < text_.size()) {
      unsigned char c = static_cast<unsigned char>(text_[at_++]);
      if (c == '"') return out;
      if (c < 0x20) return std::nullopt;
      if (c != '\\') {
        out += static_cast<char>(c);
        if (!fields_.valueFits(out.size())) return out;  // the caller refuses it
      } else if (!readEscape(out)) {
        return std::nullopt;
      }
    }
    return std::nullopt;
  }

  bool readEscape(std::string& out) {
    if (at_ >= text_.size()) return false;
    char c = text_[at_++];
    switch (c) {
      case '"':
      case '\\':
      case '/': out += c; return true;
      case 'b': out += '\b'; return true;
      case 'f': out += '\f'; return true;
      case 'n': out += '\n'; return true;
      case 'r': out += '\r'; return true;
      case 't': out += '\t'; return true;
      case 'u': return readUnicodeEscape(out);
    }
    return false;
  }

  // \uXXXX, a high surrogate only with the low one after it.
  bool readUnicodeEscape(std::string& out) {
    std::optional<unsigned> unit = hex4();
    if (!unit || (*unit >= 0xDC00 && *unit <= 0xDFFF)) return false;
    unsigned code = *unit;
    if (code >= 0xD800 && code <= 0xDBFF) {
      if (!take('\\') || !take('u')) return false;
      std::optional<unsigned> low = hex4();
      if (!low || *low < 0xDC00 || *low > 0xDFFF) return false;
      code = 0x10000 + ((code - 0xD800) << 10) + (*low - 0xDC00);
    }
    appendUtf8(out, code);
    return true;
  }

  std::optional<unsigned> hex4() {
    if (text_.size() - at_ < 4) return std::nullopt;
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
      char c = text_[at_++];
      int digit = c >= '0' && c <= '9'   ? c - '0'
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                         : -1;
      if (digit < 0) return std::nullopt;
      value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
  }

  char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
  bool take(char c) {
    if (peek() != c || at_ >= text_.size()) return false;
    ++at_;
    return true;
  }
  void skipBlanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }

  std::string_view text_;
  DecodedFields& fields_;
  size_t at_ = 0;
};

}  // namespace

Refusal parseJsonBody(std::string_view body, DecodedFields& fields) {
  return JsonReader(body, fields).readBody();
}
