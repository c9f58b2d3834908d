// Reading the tags of the template language: which tag a "<" starts, the
// body and end of a tag, its arguments, and the branch tags of a condition.
#include <cstring>

#include "common/template/template_internal.h"

namespace template_internal {

namespace {

// True when `keyword` follows the "<" at `position` and ends with ">" or
// whitespace (the end of the text ends nothing).
bool keywordAt(std::string_view text, long position, std::string_view keyword) {
  size_t start = static_cast<size_t>(position) + 1;
  if (start + keyword.size() >= text.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i)
    if (lowerAscii(text[start + i]) != keyword[i]) return false;
  char after = text[start + keyword.size()];
  return after == '>' || isTemplateSpace(after);
}

long nextLessThan(std::string_view text, long from) {
  if (from < 0 || static_cast<size_t>(from) >= text.size()) return -1;
  const void* hit = std::memchr(text.data() + from, '<', text.size() - static_cast<size_t>(from));
  return hit ? static_cast<const char*>(hit) - text.data() : -1;
}

// The branch kind of the tag at `position`, or none.
bool branchAt(std::string_view text, long position, BranchKind& kind) {
  if (keywordAt(text, position, "if"))
    kind = BranchKind::If;
  else if (keywordAt(text, position, "elif"))
    kind = BranchKind::Elif;
  else if (keywordAt(text, position, "else"))
    kind = BranchKind::Else;
  else if (keywordAt(text, position, "/if"))
    kind = BranchKind::EndIf;
  else
    return false;
  return true;
}

}  // namespace

int classifyTag(std::string_view text, long position) {
  for (size_t number = 0; number < kTagKeywords.size(); ++number)
    if (keywordAt(text, position, kTagKeywords[number])) return static_cast<int>(number);
  return kNoTag;
}

TagBody tagBody(std::string_view text, long position, std::string_view keyword) {
  long length = static_cast<long>(text.size());
  long start = std::min(length, position + 1 + static_cast<long>(keyword.size()));
  while (start < length && isTemplateSpace(text[start])) ++start;
  bool quoted = false;
  long depth = 0;
  long end = start;
  for (; end < length; ++end) {
    char c = text[end];
    if (c == '>' && depth == 0 && !quoted) break;
    if (c == '"' && text[end - 1] != '\\') {
      quoted = !quoted;
    } else if (!quoted && c == '<') {
      ++depth;
    } else if (!quoted && c == '>') {
      --depth;
    }
  }
  long last = end;
  while (last > start && isTemplateSpace(text[last - 1])) --last;
  return TagBody{Text(text.substr(start, last - start)), end};
}

List<Text> splitArguments(std::string_view body, int count) {
  List<Text> arguments(static_cast<size_t>(std::max(count, 0)));
  size_t i = 0;
  for (Text& argument : arguments) {
    while (i < body.size() && isTemplateSpace(body[i])) ++i;
    bool quoted = false;
    long depth = 0;
    for (; i < body.size(); ++i) {
      char c = body[i];
      if (isTemplateSpace(c) && !quoted && depth == 0) break;
      if (c == '\\' && i + 1 < body.size()) {
        argument += body[++i];
      } else if (c == '"') {
        quoted = !quoted;
      } else {
        argument += c;
        if (!quoted && c == '<') ++depth;
        if (!quoted && c == '>') --depth;
      }
    }
  }
  return arguments;
}

long findTag(std::string_view text, long from, std::string_view keyword) {
  for (long p = nextLessThan(text, from); p >= 0; p = nextLessThan(text, p + 1))
    if (keywordAt(text, p, keyword)) return p;
  return -1;
}

// One forward pass over the "<"s gives the same tag as asking for the nearest
// of the four keywords each time.
Branch findBranch(std::string_view text, long position) {
  long level = 0;
  for (long p = nextLessThan(text, position); p >= 0; p = nextLessThan(text, p + 1)) {
    BranchKind kind;
    if (!branchAt(text, p, kind)) continue;
    if (kind == BranchKind::If) {
      ++level;
    } else if (kind == BranchKind::EndIf) {
      if (level-- == 0) return Branch{kind, p};
    } else if (level == 0) {
      return Branch{kind, p};
    }
  }
  return Branch{BranchKind::EndIf, static_cast<long>(text.size())};
}

}  // namespace template_internal
