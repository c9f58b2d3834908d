// Applying the validation rules to posted fields.
#include "insert/field_rules.h"

#include <re2/re2.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

#include "common/cgi/message_table.h"
#include "common/mail/visitor_address.h"
#include "common/text/file_lines.h"

namespace {

constexpr MessageTable kRequired{"%s is required", "%s je treba izpolniti"};
constexpr MessageTable kNotEmail{"%s must be an e-mail address",
                                 "%s mora biti e-po&scaron;tni naslov"};
constexpr MessageTable kNoMatch{"%s is not in the expected form",
                                "%s ni v pri&ccaron;akovani obliki"};
constexpr MessageTable kRangeBoth{"%s must be a number from %s to %s",
                                  "%s mora biti &scaron;tevilo od %s do %s"};
constexpr MessageTable kRangeLow{"%s must be a number of at least %s",
                                 "%s mora biti &scaron;tevilo, najmanj %s"};
constexpr MessageTable kRangeHigh{"%s must be a number of at most %s",
                                  "%s mora biti &scaron;tevilo, najve&ccaron; %s"};
constexpr MessageTable kLengthBoth{"%s must be from %s to %s characters long",
                                   "%s: &scaron;tevilo znakov mora biti od %s do %s"};
constexpr MessageTable kLengthLow{"%s must be at least %s characters long",
                                  "%s: &scaron;tevilo znakov mora biti vsaj %s"};
constexpr MessageTable kLengthHigh{"%s must be at most %s characters long",
                                   "%s: &scaron;tevilo znakov mora biti najve&ccaron; %s"};
constexpr MessageTable kOneOf{"%s must be one of: %s", "%s mora biti ena od mo&zcaron;nosti: %s"};

bool isBlank(std::string_view text) { return trimBlanks(text).empty(); }

// The values of a posted field, the first one first; a field sent more
// often is judged by its first kMaxValuesChecked.
List<Text> valuesOf(const Param* param) {
  List<Text> values;
  if (!param) return values;
  values.push_back(param->value);
  for (const Text& more : param->further) {
    if (values.size() == kMaxValuesChecked) break;
    values.push_back(more);
  }
  return values;
}

bool readWholeNumber(std::string_view text, long long& number) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return !text.empty() && error == std::errc() && end == text.data() + text.size() && number >= 0;
}

// One field's check, in the order of the kinds: the first broken rule wins.
class FieldCheck {
 public:
  FieldCheck(const ValidationOptions& options, int languageIndex, RuleCheck& result)
      : options_(options), language_(languageIndex), result_(result) {}

  // The message of the first rule `values` of `field` break; empty when none.
  Markup firstBroken(const Text& field, const Text& label, const List<Text>& values,
                     bool required) {
    bool filled = false;
    for (const Text& value : values) filled = filled || !isBlank(value.view());
    if (!filled) return required ? format(kRequired, label) : Markup();
    bool isEmail = false;
    for (const Text& name : options_.emailFields) isEmail = isEmail || name.equalsIgnoreCase(field);
    for (const Text& value : values) {
      if (isBlank(value.view())) continue;
      if (isEmail && (values.size() > 1 || singleMailAddress(value.view()).empty()))
        return format(kNotEmail, label);
      if (Markup broken = checkValue(field, label, value); !broken.empty()) return broken;
    }
    return Markup();
  }

  // Every pattern compiled once, so a bad one is reported even when its
  // field is empty.
  bool compilePatterns() {
    for (const NamedRule& rule : options_.patterns) {
      if (rule.value.view().size() > kMaxPatternLength)
        return bad("pattern." + rule.name, "too long");
      RE2::Options settings;
      settings.set_max_mem(kPatternMemory);
      settings.set_log_errors(false);
      auto compiled = std::make_unique<RE2>(rule.value.view(), settings);
      if (!compiled->ok()) return bad("pattern." + rule.name, Text(compiled->error()));
      patterns_.push_back(std::move(compiled));
    }
    return true;
  }

  bool checkBounds() {
    Text low, high;
    for (const NamedRule& rule : options_.lengths) {
      long long n = 0;
      if (!splitBounds(rule.value.view(), low, high) ||
          (!low.empty() && !readWholeNumber(low, n)) ||
          (!high.empty() && !readWholeNumber(high, n)))
        return bad("length." + rule.name, "min..max");
    }
    for (const NamedRule& rule : options_.ranges) {
      double n = 0;
      if (!splitBounds(rule.value.view(), low, high) || (!low.empty() && !readNumber(low, n)) ||
          (!high.empty() && !readNumber(high, n)))
        return bad("range." + rule.name, "min..max");
    }
    return true;
  }

 private:
  Markup checkValue(const Text& field, const Text& label, const Text& value) {
    // The first pattern of a field holds, as the first rule of each other kind.
    for (size_t i = 0; i < options_.patterns.size(); ++i) {
      if (!options_.patterns[i].name.equalsIgnoreCase(field)) continue;
      if (value.view().size() > kMaxPatternInput || !RE2::FullMatch(value.view(), *patterns_[i]))
        return format(kNoMatch, label);
      break;
    }
    if (const Text* bounds = ValidationOptions::find(options_.lengths, field)) {
      Text low, high;
      splitBounds(bounds->view(), low, high);
      long long least = 0, most = 0;
      size_t count = characterCount(value.view());
      bool under = !low.empty() && readWholeNumber(low, least) && count < size_t(least);
      bool over = !high.empty() && readWholeNumber(high, most) && count > size_t(most);
      if (under || over)
        return boundsMessage(kLengthBoth, kLengthLow, kLengthHigh, label, low, high);
    }
    if (const Text* bounds = ValidationOptions::find(options_.ranges, field)) {
      Text low, high;
      splitBounds(bounds->view(), low, high);
      double number = 0, least = 0, most = 0;
      bool outside = !readNumber(value.view(), number) ||
                     (!low.empty() && readNumber(low, least) && number < least) ||
                     (!high.empty() && readNumber(high, most) && number > most);
      if (outside) return boundsMessage(kRangeBoth, kRangeLow, kRangeHigh, label, low, high);
    }
    if (const Text* choices = ValidationOptions::find(options_.choices, field)) {
      bool listed = false;
      Text shown;
      Text rest = *choices + "|";
      for (long bar; (bar = rest.findChar('|')) >= 0; rest.erase(0, bar + 1)) {
        Text choice(trimBlanks(rest.substring(0, bar).view()));
        listed = listed || choice == trimBlanks(value.view());
        if (!shown.empty()) shown += ", ";
        shown += choice;
      }
      if (!listed) return format(kOneOf, label, shown);
    }
    return Markup();
  }

  Markup boundsMessage(const MessageTable& both, const MessageTable& low, const MessageTable& high,
                       const Text& label, const Text& least, const Text& most) {
    if (least.empty()) return format(high, label, most);
    if (most.empty()) return format(low, label, least);
    return format(both, label, least, most);
  }

  template <typename... A>
  Markup format(const MessageTable& table, const A&... args) {
    return Markup::format(Markup(table.pick(language_)), args...);
  }

  bool bad(const Text& setting, const Text& reason) {
    result_.badSetting = setting;
    result_.badReason = reason;
    return false;
  }

  const ValidationOptions& options_;
  int language_;
  RuleCheck& result_;
  List<std::unique_ptr<RE2>> patterns_;
};

bool listed(const List<Text>& names, std::string_view name) {
  for (const Text& n : names)
    if (n.equalsIgnoreCase(name)) return true;
  return false;
}

}  // namespace

bool splitBounds(std::string_view text, Text& low, Text& high) {
  text = trimBlanks(text);
  size_t dots = text.find("..");
  if (dots == std::string_view::npos) return false;
  low = Text(trimBlanks(text.substr(0, dots)));
  high = Text(trimBlanks(text.substr(dots + 2)));
  return !(low.empty() && high.empty());
}

bool readNumber(std::string_view text, double& number) {
  text = trimBlanks(text);
  if (text.empty() || text.size() > 64) return false;
  std::string digits(text);
  if (digits.find('.') == std::string::npos)
    if (size_t comma = digits.find(','); comma != std::string::npos) digits[comma] = '.';
  const char* start = digits.data();
  if (*start == '+') ++start;
  auto [end, error] =
      std::from_chars(start, digits.data() + digits.size(), number, std::chars_format::fixed);
  return error == std::errc() && end == digits.data() + digits.size() && std::isfinite(number);
}

size_t characterCount(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size();) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80         ? 1
                    : lead >> 5 == 0x6  ? 2
                    : lead >> 4 == 0xE  ? 3
                    : lead >> 3 == 0x1E ? 4
                                        : 0;
    if (length == 0 || i + length > text.size()) return text.size();
    for (size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return text.size();
    i += length;
    ++count;
  }
  return count;
}

RuleCheck checkFields(const ValidationOptions& options, std::string_view formName,
                      const ParamList& fields, int languageIndex, std::string_view languageName) {
  RuleCheck result;
  FieldCheck check(options, languageIndex, result);
  if (!check.compilePatterns() || !check.checkBounds()) return result;
  List<Text> required = options.requiredFor(formName);
  // The names the rules speak of, each once: the work is bounded by the
  // rules, not by how many fields a client sends.
  List<Text> names;
  auto note = [&](const Text& name) {
    if (!listed(names, name)) names.push_back(name);
  };
  for (const Text& name : required) note(name);
  for (const List<NamedRule>* kind :
       {&options.patterns, &options.lengths, &options.ranges, &options.choices})
    for (const NamedRule& rule : *kind) note(rule.name);
  for (const Text& name : options.emailFields) note(name);
  // Posted fields in their order, the ones not posted after them.
  const Param* first = fields.empty() ? nullptr : &*fields.begin();
  List<std::pair<size_t, const Text*>> order;
  for (const Text& name : names) {
    const Param* param = fields.find(name);
    order.push_back({param ? size_t(param - first) : fields.size() + order.size(), &name});
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [position, name] : order) {
    Text label = options.labelFor(*name, languageName);
    Markup message =
        check.firstBroken(*name, label, valuesOf(fields.find(*name)), listed(required, *name));
    if (!message.empty()) result.errors.push_back({*name, label, message});
  }
  return result;
}
