// expandTemplate: one pass over the text that writes finished text to an
// output buffer and puts the text of variables, macros and included files
// back in front of the unscanned rest, so each tag costs only its own size.
#include "common/template/template.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "common/cgi/html_escape.h"
#include "common/language/date_time.h"
#include "common/template/template_internal.h"

using namespace template_internal;

namespace {

class Expander {
 public:
  Expander(Text& text, const TemplateScopes& scopes, const Text& directory, int languageIndex,
           std::string_view dateFormat, std::string_view timeFormat,
           const TemplateOptions& options);
  void run();

 private:
  bool handle(int tag);
  bool handleIf();
  bool handleMacrodef();
  bool handleInclude();
  bool handleDefine();
  bool handleMacro();
  bool handleVar();
  bool handleNow();
  bool handleDateTime(int tag);

  TagBody bodyOf(int tag) const { return tagBody(input_, pos_, kTagKeywords[tag]); }
  long after(long end) const { return std::min<long>(end + 1, length()); }
  long length() const { return static_cast<long>(input_.size()); }
  bool fits(long removed, long added) const;
  bool substitute(long end, std::string_view replacement);
  bool emitData(long end, std::string_view data);
  void removeRange(long from, long to);
  long tagEnd(const Branch& branch) const;
  bool dropLaterBranches(long content);
  bool spend(long bytes);
  long conditionCost(std::string_view condition) const;
  Text readInclude(const Text& path, bool& tooLarge) const;

  Text& text_;
  TemplateScopes scopes_;
  const Text& directory_;
  int languageIndex_;
  std::string_view dateFormat_;
  std::string_view timeFormat_;
  const TemplateOptions& options_;
  ParamList defines_;
  ParamList macros_;
  // input_ before pos_ is spent; it leaves room to put text back cheaply.
  std::string input_;
  long pos_ = 0;
  std::string out_;
  Unescaper unescaper_{out_};
  long limit_ = 0;
  long expansions_ = 0;
  long includes_ = 0;
  long scanned_ = 0;
};

Expander::Expander(Text& text, const TemplateScopes& scopes, const Text& directory,
                   int languageIndex, std::string_view dateFormat, std::string_view timeFormat,
                   const TemplateOptions& options)
    : text_(text),
      scopes_(scopes),
      directory_(directory),
      languageIndex_(languageIndex),
      dateFormat_(dateFormat),
      timeFormat_(timeFormat),
      options_(options),
      input_(std::move(text.str())) {
  scopes_.push_back(&defines_);
  long growth = std::clamp(options.maxGrowth, 0L, std::numeric_limits<long>::max() - length());
  limit_ = length() + growth;
  out_.reserve(input_.size());
}

void Expander::run() {
  while (pos_ < length()) {
    const void* hit = std::memchr(input_.data() + pos_, '<', input_.size() - pos_);
    long next = hit ? static_cast<const char*>(hit) - input_.data() : length();
    unescaper_.feed(std::string_view(input_).substr(pos_, next - pos_));
    pos_ = next;
    if (pos_ == length()) break;
    int tag = classifyTag(input_, pos_);
    if (tag < kIfTag || tag > kTimeTag) {
      // Some other "<" (HTML, say), or a branch or closing tag out of place.
      unescaper_.feed("<");
      ++pos_;
    } else if (!handle(tag)) {
      // A bound was reached: the rest stays as it is.
      unescaper_.feed(std::string_view(input_).substr(pos_));
      break;
    }
  }
  unescaper_.finish();
  text_.str() = std::move(out_);
}

bool Expander::handle(int tag) {
  switch (tag) {
    case kIfTag: return handleIf();
    case kMacrodefTag: return handleMacrodef();
    case kIncludeTag: return handleInclude();
    case kDefineTag: return handleDefine();
    case kMacroTag: return handleMacro();
    case kVarTag: return handleVar();
    case kNowTag: return handleNow();
    default: return handleDateTime(tag);
  }
}

// True when replacing `removed` bytes of the rest by `added` bytes keeps the
// whole text within its bound.
bool Expander::fits(long removed, long added) const {
  long total = static_cast<long>(out_.size()) + (length() - pos_) - removed + added;
  return total <= limit_;
}

// Replaces the tag from pos_ through `end` by text that is scanned next.
bool Expander::substitute(long end, std::string_view replacement) {
  long stop = after(end);
  long size = static_cast<long>(replacement.size());
  if (expansions_ >= options_.maxExpansions || !fits(stop - pos_, size)) return false;
  ++expansions_;
  if (size <= stop) {
    std::memmove(input_.data() + stop - size, replacement.data(), replacement.size());
    pos_ = stop - size;
    return true;
  }
  // No room in the spent part: start a new buffer whose spent part is as
  // large as what it holds, so repeated growth costs amortised linear time.
  std::string_view rest = std::string_view(input_).substr(stop);
  std::string fresh(replacement.size() + rest.size(), '\0');
  fresh.append(replacement);
  fresh.append(rest);
  pos_ = static_cast<long>(replacement.size() + rest.size());
  input_ = std::move(fresh);
  return true;
}

// Writes the visitor's text in place of the tag from pos_ through `end`,
// never to be scanned or unescaped.
bool Expander::emitData(long end, std::string_view data) {
  Text escaped;
  if (options_.escapePosted) {
    escaped = escapeHtml(data);
    data = escaped;
  }
  long stop = after(end);
  if (!fits(stop - pos_, static_cast<long>(data.size()))) return false;
  unescaper_.put(data);
  pos_ = stop;
  return true;
}

// Removes input_[from, to) where pos_ <= from, keeping [pos_, from) in front
// of the rest.
// Counts the bytes that a search ahead looked at or a condition compared;
// false once they pass the bound.
bool Expander::spend(long bytes) {
  scanned_ += std::max(bytes, 0L);
  return scanned_ <= options_.maxScanned;
}

// A condition with "=" compares every value of its variable, and a template
// that defines one name over and over gives it many.
long Expander::conditionCost(std::string_view condition) const {
  size_t equals = condition.find('=');
  if (equals == std::string_view::npos) return 1;
  const Param* entry = lookupVariable(condition.substr(0, equals), scopes_).entry;
  if (!entry) return 1;
  long cost = 1 + entry->value.length();
  for (const Text& further : entry->further) cost += 1 + further.length();
  return cost;
}

void Expander::removeRange(long from, long to) {
  long kept = from - pos_;
  std::memmove(input_.data() + to - kept, input_.data() + pos_, static_cast<size_t>(kept));
  pos_ = to - kept;
}

long Expander::tagEnd(const Branch& branch) const {
  if (branch.position == length()) return length();
  int tag = branch.kind == BranchKind::Elif   ? kElifTag
            : branch.kind == BranchKind::Else ? kElseTag
                                              : kEndIfTag;
  return tagBody(input_, branch.position, kTagKeywords[tag]).end;
}

// The if tag and every false branch go; the chosen branch's content is left
// at pos_ with the rest of the construct removed behind it.
bool Expander::handleIf() {
  TagBody tag = bodyOf(kIfTag);
  if (!spend(conditionCost(tag.body))) return false;
  bool chosen = evaluateCondition(tag.body, scopes_);
  long end = tag.end;
  long branch = pos_;
  while (!chosen) {
    Branch next = findBranch(input_, branch + 1);
    if (!spend(next.position - branch - 1)) return false;
    branch = next.position;
    end = tagEnd(next);
    if (next.kind == BranchKind::EndIf) break;
    if (next.kind == BranchKind::Else) {
      chosen = true;
      break;
    }
    Text condition = tagBody(input_, branch, "elif").body;
    if (!spend(conditionCost(condition))) return false;
    chosen = evaluateCondition(condition, scopes_);
  }
  if (chosen) return dropLaterBranches(after(end));
  pos_ = after(end);
  return true;
}

// Moves pos_ to `content`, the chosen branch, and removes the later branches
// behind it; when the search for them passes its bound, nothing changes.
bool Expander::dropLaterBranches(long content) {
  Branch first = findBranch(input_, content);
  if (!spend(first.position - content)) return false;
  Branch last = first;
  while (first.position < length() && last.kind != BranchKind::EndIf) {
    long from = last.position + 1;
    last = findBranch(input_, from);
    if (!spend(last.position - from)) return false;
  }
  pos_ = content;
  if (first.position < length()) removeRange(first.position, after(tagEnd(last)));
  return true;
}

// A macrodef without its closing tag is left in the text.
bool Expander::handleMacrodef() {
  TagBody tag = bodyOf(kMacrodefTag);
  long close = tag.end < length() ? findTag(input_, tag.end + 1, "/macrodef") : -1;
  if (!spend((close < 0 ? length() : close) - tag.end)) return false;
  if (close < 0) {
    unescaper_.feed("<");
    ++pos_;
    return true;
  }
  std::string_view macro = std::string_view(input_).substr(tag.end + 1, close - tag.end - 1);
  macros_.add(tag.body, macro, AddMode::Append);
  pos_ = after(tagBody(input_, close, "/macrodef").end);
  return true;
}

bool Expander::handleDefine() {
  TagBody tag = bodyOf(kDefineTag);
  List<Text> arguments = splitArguments(tag.body, 2);
  defines_.add(arguments[0], arguments[1], AddMode::Append);
  pos_ = after(tag.end);
  return true;
}

// "#1" to "#3" are replaced from the end towards the start, so a digit that
// an argument begins with can complete a "#" before it, as it always has.
Text expandMacro(std::string_view macro, const List<Text>& arguments) {
  std::string reversed;
  reversed.reserve(macro.size());
  for (size_t i = macro.size(); i-- > 0;) {
    char next = reversed.empty() ? '\0' : reversed.back();
    if (macro[i] == '#' && next >= '1' && next <= '3') {
      reversed.pop_back();
      const Text& argument = arguments[static_cast<size_t>(next - '0')];
      reversed.append(argument.str().rbegin(), argument.str().rend());
    } else {
      reversed += macro[i];
    }
  }
  std::reverse(reversed.begin(), reversed.end());
  return Text(std::move(reversed));
}

bool Expander::handleMacro() {
  TagBody tag = bodyOf(kMacroTag);
  List<Text> arguments = splitArguments(tag.body, 4);
  const Param* macro = macros_.find(arguments[0]);
  Text text = macro ? expandMacro(macro->value, arguments) : Text();
  return substitute(tag.end, text);
}

bool Expander::handleVar() {
  TagBody tag = bodyOf(kVarTag);
  Variable variable = lookupVariable(tag.body, scopes_, options_, &defines_);
  Text value = variableValue(variable.entry, true);
  return variable.fromVisitor ? emitData(tag.end, value) : substitute(tag.end, value);
}

// Only regular files are read (a device or a pipe could block or never end),
// and no more than the text may still grow by.
Text Expander::readInclude(const Text& path, bool& tooLarge) const {
  tooLarge = false;
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return Text();
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return Text();
  long room = limit_ - static_cast<long>(out_.size()) - (length() - pos_);
  Text content;
  content.readBytes(file, std::max(room, 0L) + 1);
  std::fclose(file);
  tooLarge = content.length() > room;
  // Read as text: a carriage return before a line feed is dropped.
  std::string& bytes = content.str();
  size_t kept = 0;
  for (size_t i = 0; i < bytes.size(); ++i)
    if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n'))
      bytes[kept++] = bytes[i];
  bytes.resize(kept);
  return content;
}

bool Expander::handleInclude() {
  TagBody tag = bodyOf(kIncludeTag);
  if (includes_ >= options_.maxIncludes) return false;
  ++includes_;
  bool tooLarge = false;
  Text content = readInclude(directory_ + tag.body, tooLarge);
  return !tooLarge && substitute(tag.end, content);
}

bool Expander::handleNow() {
  TagBody tag = bodyOf(kNowTag);
  Text format = splitArguments(tag.body, 1)[0];
  if (format.empty()) format = Text(dateFormat_) + " " + Text(timeFormat_);
  return substitute(tag.end, formatDate(DateTime::now(), format, languageIndex_));
}

// A piece of a YYYYMMDD or HHMM value read as a decimal number.
int datePiece(const Text& value, long from, long count) {
  return static_cast<int>(leadingNumber(value.substring(from, count)));
}

// The visitor chooses only the numbers of a date from posted text; the rest
// is the template's format, so the result is finished text, not data.
bool Expander::handleDateTime(int tag) {
  TagBody body = bodyOf(tag);
  List<Text> arguments = splitArguments(body.body, 2);
  Variable variable = lookupVariable(arguments[0], scopes_, options_, &defines_);
  Text value = variableValue(variable.entry, true);
  if (!spend(value.length())) return false;
  DateTime when;
  Text format = arguments[1];
  if (tag == kDateTag) {
    when.year = datePiece(value, 0, 4);
    when.month = datePiece(value, 4, 2);
    when.day = datePiece(value, 6, 2);
    if (format.empty()) format = Text(dateFormat_);
  } else {
    when.hour = datePiece(value, 0, 2);
    when.minute = datePiece(value, 2, 2);
    if (format.empty()) format = Text(timeFormat_);
  }
  Text result = formatDate(when, format, languageIndex_);
  if (!variable.fromVisitor) return substitute(body.end, result);
  if (!fits(after(body.end) - pos_, result.length())) return false;
  unescaper_.feed(result);
  pos_ = after(body.end);
  return true;
}

}  // namespace

void expandTemplate(Text& text, const TemplateScopes& scopes, const Text& directory,
                    int languageIndex, std::string_view dateFormat, std::string_view timeFormat,
                    const TemplateOptions& options) {
  Expander expander(text, scopes, directory, languageIndex, dateFormat, timeFormat, options);
  expander.run();
}
