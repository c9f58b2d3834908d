// The rules a group's forms must meet before anything of a submission is
// kept, from the group's options file (group_options.h). A group that sets
// none of these keys stores whatever arrives, as before.
//
//   require.order=name surname email   fields of the form "order" that must
//                                      not be empty (blanks alone are empty)
//   pattern.zip=[0-9]{4}               the whole value matches (RE2 syntax)
//   length.note=0..500                 characters, either bound may be left
//                                      out ("..500", "3..")
//   range.quantity=1..10               a number within the bounds, which may
//                                      be negative or decimal
//   oneOf.size=S|M|L                   one of the listed values
//   email=email invoice                fields that hold one mail address
//   label.quantity=Quantity            the name messages give the field, and
//   label.quantity.slo=Koli&ccaron;ina the same for Slovenian requests
//   formUrl.order=https://a.example/order.html
//                                      the address of the form page, which a
//                                      re-filled form's relative links need
//   recordLanguage=on                  item records keep the request's
//                                      language as &FORMLANGUAGE
//
// Every rule but require applies to a field only when it holds something.
// Values are read as written (no letter pairs turned into entities), since
// a pattern's quote is a quote.
#pragma once

#include <string_view>

#include "common/text/list.h"
#include "common/text/text.h"

// One "key.<name>=value" line: the name after the key's dot, its value.
struct NamedRule {
  Text name;
  Text value;
};

// At most this many rules of each kind are kept: a page of errors stays
// readable and a submission's check stays short whatever the file holds.
inline constexpr size_t kMaxRulesOfAKind = 200;

struct ValidationOptions {
  List<NamedRule> required;  // form -> its required field names, blank-separated
  List<NamedRule> patterns;  // field -> expression
  List<NamedRule> lengths;   // field -> "min..max"
  List<NamedRule> ranges;    // field -> "min..max"
  List<NamedRule> choices;   // field -> "a|b|c"
  List<Text> emailFields;
  List<NamedRule> labels;     // field -> text of English requests and any other
  List<NamedRule> labelsSlo;  // field -> text of Slovenian requests
  List<NamedRule> formUrls;   // form -> address of its page
  bool recordLanguage = false;

  // Whether any rule applies to a submission of `formName`.
  bool anyRuleFor(std::string_view formName) const;
  // The required field names of `formName`.
  List<Text> requiredFor(std::string_view formName) const;
  // The name a person reads for `field`: its label in `languageName`
  // ("slo" for the Slovenian label), else the English label, else the name.
  Text labelFor(std::string_view field, std::string_view languageName) const;
  // The value of the first rule of `rules` named `name` (case ignored), null
  // for none.
  static const Text* find(const List<NamedRule>& rules, std::string_view name);
};

// Takes the option `key` (case ignored) into `options`; false when the key
// is no validation option.
bool readValidationOption(std::string_view key, std::string_view value, ValidationOptions& options);
