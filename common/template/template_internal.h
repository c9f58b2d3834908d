// The pieces of the template language that expandTemplate is built from: tag
// recognition, tag bodies and arguments, conditional branches, variable
// lookup and the final backslash unescaping. Declared here for their tests.
#pragma once

#include <array>
#include <string_view>

#include "common/template/template.h"
#include "common/text/list.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

namespace template_internal {

// The keywords in the order they are tried; the position is the tag number.
inline constexpr std::array<std::string_view, 13> kTagKeywords = {
    "if",   "macrodef", "include",   "define", "macro", "var", "now",
    "date", "time",     "/macrodef", "elif",   "else",  "/if"};

enum TagNumber {
  kIfTag,
  kMacrodefTag,
  kIncludeTag,
  kDefineTag,
  kMacroTag,
  kVarTag,
  kNowTag,
  kDateTag,
  kTimeTag,
  kEndMacrodefTag,
  kElifTag,
  kElseTag,
  kEndIfTag,
  kNoTag = -1
};

// Space, tab, line feed, vertical tab, form feed and carriage return only.
inline bool isTemplateSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The number of the tag whose "<" is at `position`, or kNoTag.
int classifyTag(std::string_view text, long position);

struct TagBody {
  Text body;  // trailing whitespace removed, quotes and backslashes kept
  long end;   // the closing ">", or the text's length when there is none
};
// The body of the tag at `position` that starts with `keyword`.
TagBody tagBody(std::string_view text, long position, std::string_view keyword);

// `count` whitespace-separated arguments; quotes group, a backslash takes
// the next character literally, "<...>" stays together.
List<Text> splitArguments(std::string_view body, int count);

// The first "<" at or after `from` followed by `keyword` and then ">" or
// whitespace (ASCII case ignored), or -1.
long findTag(std::string_view text, long from, std::string_view keyword);

enum class BranchKind { If, Elif, Else, EndIf };
struct Branch {
  BranchKind kind;
  long position;  // of its "<"; the text's length for a missing /if
};
// The next elif, else or /if tag at the nesting level of `position`.
Branch findBranch(std::string_view text, long position);

// A variable found by lookupVariable, and whether its text is the visitor's.
struct Variable {
  const Param* entry = nullptr;
  bool fromVisitor = false;  // posted field, environment or a visitor variable
};
// Looks `name` up in the scopes in order, then ("&NAME") in the environment.
// `defines` is the template's own scope: never the visitor's, whatever its name.
Variable lookupVariable(std::string_view name, const TemplateScopes& scopes,
                        const TemplateOptions& options = {}, const ParamList* defines = nullptr);
// The current value, or with `all` every value joined by ",".
Text variableValue(const Param* entry, bool all);
// "name" is true when the variable has a non-empty value; "name=text" when
// one of its values equals text, ASCII case ignored.
bool evaluateCondition(std::string_view condition, const TemplateScopes& scopes);

// Backslash-n becomes a line feed, two backslashes one, and a backslash
// before a line feed joins the lines; any other backslash stays.
void unescape(Text& text);

// The same rule applied to text that arrives in pieces. Text written with
// put() passes unchanged and ends any backslash sequence in progress.
class Unescaper {
 public:
  explicit Unescaper(std::string& out) : out_(out) {}
  void feed(std::string_view text);
  void put(std::string_view text);
  void finish();

 private:
  std::string& out_;
  bool pendingBackslash_ = false;
};

}  // namespace template_internal
