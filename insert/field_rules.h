// The rules of a group's options (validation_options.h) applied to one
// submission's posted fields: every field that breaks one, with a message
// that names it by its label and says what is wrong.
#pragma once

#include <string_view>

#include "common/cgi/markup.h"
#include "common/settings/validation_options.h"
#include "common/text/list.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

// Longest value a pattern is matched against; a longer one breaks the
// pattern. RE2 runs in linear time, this keeps that time short.
inline constexpr size_t kMaxPatternInput = 64 * 1024;
// Values of one field (a checkbox group, a multiple select) that are checked.
inline constexpr size_t kMaxValuesChecked = 100;
// Longest pattern, and the memory its compiled form may take.
inline constexpr size_t kMaxPatternLength = 2000;
inline constexpr long long kPatternMemory = 2LL << 20;

struct FieldError {
  Text field;
  Text label;      // as the options give it (entity names kept)
  Markup message;  // in the request's language, the label escaped
};

struct RuleCheck {
  List<FieldError> errors;  // one per field, the first rule it breaks
  // A rule that cannot be read ("pattern.zip") and why, for the
  // administrator: nothing is checked then.
  Text badSetting;
  Text badReason;
};

// The fields of a submission of `formName` that break a rule, in the order
// they were posted, the required fields that were not posted after them.
// `languageIndex` picks the messages' language (0 English, 1 Slovenian),
// `languageName` the labels' ("slo").
RuleCheck checkFields(const ValidationOptions& options, std::string_view formName,
                      const ParamList& fields, int languageIndex, std::string_view languageName);

// "1..10", "-5..", "..3.5": the bounds, either may be missing ("" for one).
// False for anything else.
bool splitBounds(std::string_view text, Text& low, Text& high);
// The number a visitor's `text` holds (blanks around it, a decimal comma
// read as a point); false for anything but a finite number.
bool readNumber(std::string_view text, double& number);
// Characters of `text`: code points when it is UTF-8, else bytes.
size_t characterCount(std::string_view text);
