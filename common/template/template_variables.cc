// Variables of the template language: lookup through the scopes and the
// request's variables, their values, conditions on them, and the backslash rule
// applied to the finished text.
#include <cstring>

#include "common/cgi/request_context.h"
#include "common/template/template_internal.h"

namespace template_internal {

namespace {

bool isVisitorVariable(std::string_view name, const TemplateOptions& options) {
  for (const Text& visitor : options.visitorVariables)
    if (equalsIgnoreCase(visitor, name)) return true;
  return false;
}

}  // namespace

Variable lookupVariable(std::string_view name, const TemplateScopes& scopes,
                        const TemplateOptions& options, const ParamList* defines) {
  if (name.empty()) return {};
  for (const ParamList* scope : scopes) {
    const Param* entry = scope->find(name);
    if (!entry) continue;
    bool visitor =
        scope != defines && (scope == options.postedFields || isVisitorVariable(name, options));
    return Variable{entry, visitor};
  }
  if (name[0] != '&' || !options.requestVariables) return {};
  // The request owns the entry, so it stays valid while the caller reads it.
  const Param* entry = options.requestVariables->find(name.substr(1));
  return entry ? Variable{entry, true} : Variable{};
}

Text variableValue(const Param* entry, bool all) {
  if (!entry) return Text();
  if (!all) return entry->value;
  Text value = entry->value;
  for (const Text& further : entry->further) {
    value += ',';
    value += further;
  }
  return value;
}

bool evaluateCondition(std::string_view condition, const TemplateScopes& scopes) {
  size_t equals = condition.find('=');
  if (equals == std::string_view::npos) {
    // All values joined by "," are non-empty exactly when the current value
    // is or there is a further value; no need to join them.
    const Param* entry = lookupVariable(condition, scopes).entry;
    return entry && (!entry->value.empty() || !entry->further.empty());
  }
  const Param* entry = lookupVariable(condition.substr(0, equals), scopes).entry;
  if (!entry) return false;
  std::string_view expected = condition.substr(equals + 1);
  if (equalsIgnoreCase(entry->value, expected)) return true;
  for (const Text& further : entry->further)
    if (equalsIgnoreCase(further, expected)) return true;
  return false;
}

void unescape(Text& text) {
  std::string out;
  out.reserve(text.str().size());
  Unescaper unescaper(out);
  unescaper.feed(text);
  unescaper.finish();
  text.str() = std::move(out);
}

void Unescaper::feed(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    if (pendingBackslash_) {
      pendingBackslash_ = false;
      char c = text[i];
      if (c == 'n')
        out_ += '\n';
      else if (c == '\\')
        out_ += '\\';
      else if (c != '\n')
        out_ += '\\';
      if (c == 'n' || c == '\\' || c == '\n') ++i;
      continue;
    }
    const void* hit = std::memchr(text.data() + i, '\\', text.size() - i);
    size_t stop =
        hit ? static_cast<size_t>(static_cast<const char*>(hit) - text.data()) : text.size();
    out_.append(text.data() + i, stop - i);
    i = stop;
    if (hit) {
      pendingBackslash_ = true;
      ++i;
    }
  }
}

void Unescaper::put(std::string_view text) {
  finish();
  out_.append(text);
}

void Unescaper::finish() {
  if (pendingBackslash_) out_ += '\\';
  pendingBackslash_ = false;
}

}  // namespace template_internal
