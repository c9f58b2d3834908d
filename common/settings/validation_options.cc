// Reading the validation keys of a group's options file.
#include "common/settings/validation_options.h"

#include "common/text/file_lines.h"

namespace {

// "pattern.zip" -> "zip" when `key` begins with `prefix` (case ignored) and
// names something after it; empty otherwise.
std::string_view nameAfter(std::string_view key, std::string_view prefix) {
  if (key.size() <= prefix.size() || !equalsIgnoreCase(key.substr(0, prefix.size()), prefix))
    return {};
  return key.substr(prefix.size());
}

void addRule(List<NamedRule>& rules, std::string_view name, std::string_view value) {
  if (rules.size() < kMaxRulesOfAKind) rules.push_back({Text(name), Text(value)});
}

List<Text> blankSeparated(std::string_view text) {
  List<Text> words;
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == ',')) ++at;
    size_t end = at;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != ',') ++end;
    if (end > at) words.push_back(Text(text.substr(at, end - at)));
    at = end;
  }
  return words;
}

constexpr std::string_view kSloSuffix = ".slo";

}  // namespace

const Text* ValidationOptions::find(const List<NamedRule>& rules, std::string_view name) {
  for (const NamedRule& rule : rules)
    if (rule.name.equalsIgnoreCase(name)) return &rule.value;
  return nullptr;
}

bool ValidationOptions::anyRuleFor(std::string_view formName) const {
  return find(required, formName) || !patterns.empty() || !lengths.empty() || !ranges.empty() ||
         !choices.empty() || !emailFields.empty();
}

List<Text> ValidationOptions::requiredFor(std::string_view formName) const {
  const Text* names = find(required, formName);
  return names ? blankSeparated(names->view()) : List<Text>();
}

Text ValidationOptions::labelFor(std::string_view field, std::string_view languageName) const {
  if (equalsIgnoreCase(languageName, "slo"))
    if (const Text* label = find(labelsSlo, field)) return *label;
  if (const Text* label = find(labels, field)) return *label;
  return Text(field);
}

bool readValidationOption(std::string_view key, std::string_view value,
                          ValidationOptions& options) {
  if (std::string_view form = nameAfter(key, "require."); !form.empty()) {
    addRule(options.required, form, value);
  } else if (std::string_view field = nameAfter(key, "pattern."); !field.empty()) {
    addRule(options.patterns, field, value);
  } else if (std::string_view field = nameAfter(key, "length."); !field.empty()) {
    addRule(options.lengths, field, value);
  } else if (std::string_view field = nameAfter(key, "range."); !field.empty()) {
    addRule(options.ranges, field, value);
  } else if (std::string_view field = nameAfter(key, "oneOf."); !field.empty()) {
    addRule(options.choices, field, value);
  } else if (equalsIgnoreCase(key, "email")) {
    for (Text& name : blankSeparated(value))
      if (options.emailFields.size() < kMaxRulesOfAKind) options.emailFields.push_back(name);
  } else if (std::string_view field = nameAfter(key, "label."); !field.empty()) {
    bool slovenian = field.size() > kSloSuffix.size() &&
                     equalsIgnoreCase(field.substr(field.size() - kSloSuffix.size()), kSloSuffix);
    if (slovenian)
      addRule(options.labelsSlo, field.substr(0, field.size() - kSloSuffix.size()), value);
    else
      addRule(options.labels, field, value);
  } else if (std::string_view form = nameAfter(key, "formUrl."); !form.empty()) {
    addRule(options.formUrls, form, value);
  } else if (equalsIgnoreCase(key, "recordLanguage")) {
    options.recordLanguage = equalsIgnoreCase(value, "on");
  } else {
    return false;
  }
  return true;
}
