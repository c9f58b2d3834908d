// Scoring the posted fields by the content rules.
#include "insert/spam_score.h"

#include <algorithm>
#include <string>

#include "common/cgi/plain_text.h"
#include "common/text/file_lines.h"

namespace {

std::string lowered(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

long occurrences(const std::string& text, std::string_view part) {
  long count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

long links(const std::string& lower) {
  return occurrences(lower, "http://") + occurrences(lower, "https://") +
         occurrences(lower, "www.") - occurrences(lower, "://www.");  // "https://www." is one link
}

bool isLatinLetter(unsigned long code) {
  return (code < 0x250) || (code >= 0x1E00 && code <= 0x1EFF);
}

bool isLetter(unsigned long code) {
  if (code < 0x80) return (code | 0x20) >= 'a' && (code | 0x20) <= 'z';
  // Punctuation, symbols, marks and spaces of the ranges between scripts.
  if (code >= 0x2000 && code <= 0x2BFF) return false;
  if (code >= 0x3000 && code <= 0x303F) return false;
  if (code >= 0xFE00 && code <= 0xFE6F) return false;
  if (code >= 0x1F000) return false;  // pictographs
  return code >= 0xC0;
}

// A numeric reference "&#1087;" or "&#x43f;" at `at`; 0 when there is none.
unsigned long numericReference(std::string_view text, size_t& at) {
  if (text.substr(at, 2) != "&#") return 0;
  size_t i = at + 2;
  int base = 10;
  if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) base = 16, ++i;
  unsigned long code = 0;
  size_t digits = 0;
  for (; i < text.size() && digits < 8; ++i, ++digits) {
    char c = text[i];
    int digit = c >= '0' && c <= '9'                                   ? c - '0'
                : base == 16 && (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10
                                                                       : -1;
    if (digit < 0) break;
    code = code * base + static_cast<unsigned long>(digit);
  }
  if (digits == 0 || i >= text.size() || text[i] != ';') return 0;
  at = i + 1;
  return code;
}

// The next code point of UTF-8 at `at`; a byte that starts no sequence is
// taken alone, as a Latin letter of a single-byte charset.
unsigned long nextCode(std::string_view text, size_t& at) {
  unsigned char lead = static_cast<unsigned char>(text[at]);
  int length = lead < 0x80         ? 1
               : (lead >> 5) == 6  ? 2
               : (lead >> 4) == 14 ? 3
               : (lead >> 3) == 30 ? 4
                                   : 0;
  if (length <= 1 || at + length > text.size()) {
    ++at;
    return lead < 0x80 ? lead : 0xE0;  // "à": some Latin letter
  }
  unsigned long code = lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    unsigned char next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) {
      ++at;
      return 0xE0;
    }
    code = (code << 6) | (next & 0x3F);
  }
  at += length;
  return code;
}

// Whether at least three letters are outside the Latin script (one script
// word of Chinese may be a single letter).
bool foreignScript(std::string_view text) {
  long foreign = 0;
  for (size_t at = 0; at < text.size() && foreign < 3;) {
    unsigned long code = numericReference(text, at);
    if (code == 0) code = nextCode(text, at);
    if (isLetter(code) && !isLatinLetter(code)) ++foreign;
  }
  return foreign >= 3;
}

bool numeric(std::string_view value) {
  for (char c : value) {
    bool allowed = (c >= '0' && c <= '9') || c == ' ' || c == '+' || c == '-' || c == '/' ||
                   c == '(' || c == ')' || c == '.';
    if (!allowed) return false;
  }
  return true;
}

bool listed(const List<Text>& names, const Text& name) {
  for (const Text& listedName : names)
    if (listedName.equalsIgnoreCase(name.view())) return true;
  return false;
}

void add(ContentScore& score, std::string_view rule, long points) {
  addPoints(score, rule, "rules", points);
}

}  // namespace

void addPoints(ContentScore& score, std::string_view rule, std::string_view layer, long points) {
  if (points <= 0) return;
  score.points += points;
  if (!score.reasons.empty()) score.reasons += ", ";
  score.reasons += rule;
  score.reasons += " ";
  score.reasons += Text::fromInt(points, 0);
  if (std::find(score.layers.begin(), score.layers.end(), layer) == score.layers.end())
    score.layers.push_back(layer);
}

ContentScore scoreContent(const ParamList& fields, const ContentRules& rules,
                          const SpamSignals& signals) {
  std::string all;
  long fieldPoints = 0;
  for (const Param& field : fields) {
    for (size_t i = 0; i <= field.further.size(); ++i) {
      const Text& value = i == 0 ? field.value : field.further[i - 1];
      all += value.str();
      all += '\n';
      if (listed(rules.emptyFields, field.name) && !value.empty()) fieldPoints += 3;
      if (listed(rules.numericFields, field.name) && !numeric(value.view())) fieldPoints += 3;
    }
  }
  std::string lower = lowered(all);
  ContentScore score;
  long linkCount = links(lower);
  add(score, "links", linkCount > 1 ? linkCount - 1 : 0);
  add(score, "link markup", occurrences(lower, "<a ") + occurrences(lower, "[url") > 0 ? 3 : 0);
  add(score, "script", foreignScript(all) ? 3 : 0);
  // A word is found also behind character references ("vi&#97;gra"), which
  // a page or a mail shows as the letters they stand for.
  std::string decoded = rules.blockedWords.empty() ? std::string() : lowered(plainText(all).view());
  long blocked = 0;
  for (const Text& word : rules.blockedWords)
    if (lower.find(word.str()) != std::string::npos ||
        decoded.find(word.str()) != std::string::npos)
      blocked += 3;
  add(score, "blocked words", blocked);
  add(score, "fields", fieldPoints);
  addPoints(score, "repeated", "repeated_link", signals.otherAddresses >= 2 ? 3 : 0);
  addPoints(score, "campaign", "campaign", signals.campaign ? 3 : 0);
  return score;
}

List<Text> readBlockedWords(std::string_view content) {
  List<Text> words;
  forEachLine(content, [&](std::string_view line, size_t, size_t) {
    line = trimBlanks(line);
    if (line.empty() || line.front() == '#' || words.size() >= kMaxBlockedWords) return;
    words.push_back(Text(lowered(line)));
  });
  return words;
}
