// The validation rules on posted fields: each kind of rule passing and
// failing, the messages in both languages with labels, the order of the
// errors, rules that cannot be used, and the options that hold them.
#include "insert/field_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "common/settings/group_options.h"

namespace {

ParamList fieldsOf(std::initializer_list<std::pair<const char*, const char*>> pairs) {
  ParamList fields;
  for (const auto& [name, value] : pairs) fields.add(name, value, AddMode::Append);
  return fields;
}

std::string messagesOf(const RuleCheck& check) {
  std::string text;
  for (const FieldError& error : check.errors) text += std::string(error.message.view()) + ";";
  return text;
}

TEST(FieldRules, EachKindPassesAndFails) {
  struct Case {
    const char* options;
    std::string value;
    const char* message;  // empty: passes
  } cases[] = {
      {"require.order=f", "x", ""},
      {"require.order=f", " \t", "f is required"},
      {"pattern.f=[0-9]{4}", "1000", ""},
      {"pattern.f=[0-9]{4}", "x1000", "f is not in the expected form"},
      {"pattern.f=[0-9]{4}", "10000", "f is not in the expected form"},
      {"pattern.f=(a+)+", std::string(100, 'a') + "!", "f is not in the expected form"},
      {"length.f=2..3", "ab", ""},
      {"length.f=2..3", "\xc4\x8d\xc4\x8d\xc4\x8d", ""},  // three letters of UTF-8
      {"length.f=2..3", "abcd", "f must be from 2 to 3 characters long"},
      {"length.f=..3", "abcd", "f must be at most 3 characters long"},
      {"length.f=2..", "a", "f must be at least 2 characters long"},
      {"range.f=1..10", "10", ""},
      {"range.f=-5..-1", "-3", ""},
      {"range.f=0..1", "0,5", ""},
      {"range.f=1..10", "11", "f must be a number from 1 to 10"},
      {"range.f=1..10", "ten", "f must be a number from 1 to 10"},
      {"range.f=1..10", "inf", "f must be a number from 1 to 10"},
      {"range.f=1..10", "0x5", "f must be a number from 1 to 10"},
      {"range.f=..0", "1", "f must be a number of at most 0"},
      {"oneOf.f=S|M|L", "M", ""},
      {"oneOf.f=S|M|L", "XL", "f must be one of: S, M, L"},
      {"email=f", "ana@example.org", ""},
      {"email=f", "ana@example.org, b@example.org", "f must be an e-mail address"},
      {"range.f=1..10", "", ""},  // an empty optional field passes
  };
  for (const Case& c : cases) {
    GroupOptions options = parseGroupOptions(c.options);
    RuleCheck check =
        checkFields(options.validation, "order", fieldsOf({{"f", c.value.c_str()}}), 0, "eng");
    EXPECT_EQ(check.badSetting, "") << c.options;
    EXPECT_EQ(messagesOf(check), *c.message ? std::string(c.message) + ";" : "")
        << c.options << " " << c.value;
  }
}

TEST(FieldRules, EveryErrorAtOnceWithLabelsInPostedOrder) {
  GroupOptions options = parseGroupOptions(
      "require.order=surname name quantity\nrange.quantity=1..10\nlabel.surname=Surname\n"
      "label.surname.slo=Priimek\nlabel.quantity=Quantity\nlabel.quantity.slo=Koli&ccaron;ina\n"
      "label.name=<b>Name</b>\n");
  ParamList fields = fieldsOf({{"quantity", "12"}, {"note", "x"}, {"surname", ""}});
  EXPECT_EQ(messagesOf(checkFields(options.validation, "order", fields, 0, "eng")),
            "Quantity must be a number from 1 to 10;Surname is required;"
            "&lt;b&gt;Name&lt;/b&gt; is required;");
  RuleCheck slovenian = checkFields(options.validation, "ORDER", fields, 1, "slo");
  EXPECT_EQ(messagesOf(slovenian),
            "Koli&ccaron;ina mora biti &scaron;tevilo od 1 do 10;Priimek je treba izpolniti;"
            "&lt;b&gt;Name&lt;/b&gt; je treba izpolniti;");
  EXPECT_EQ(slovenian.errors[0].field, "quantity");
  EXPECT_EQ(slovenian.errors[0].label, "Koli&ccaron;ina");
  // Another form has no required fields.
  EXPECT_EQ(messagesOf(checkFields(options.validation, "other", fields, 0, "eng")),
            "Quantity must be a number from 1 to 10;");
}

TEST(FieldRules, RulesThatCannotBeUsedNameTheirSetting) {
  struct Case {
    const char* options;
    const char* setting;
  } cases[] = {{"pattern.zip=(", "pattern.zip"},
               {"length.note=a..b", "length.note"},
               {"length.note=5", "length.note"},
               {"range.q=1..x", "range.q"},
               {"range.q=..", "range.q"}};
  for (const Case& c : cases) {
    RuleCheck check =
        checkFields(parseGroupOptions(c.options).validation, "order", fieldsOf({}), 0, "eng");
    EXPECT_EQ(check.badSetting, c.setting) << c.options;
    EXPECT_TRUE(check.errors.empty());
  }
  std::string huge = "pattern.zip=" + std::string(kMaxPatternLength + 1, 'a');
  EXPECT_EQ(checkFields(parseGroupOptions(huge).validation, "o", fieldsOf({}), 0, "eng").badSetting,
            "pattern.zip");
  // A pattern whose compiled form would pass the memory budget.
  std::string greedy = "pattern.zip=((((a{100}){100}){100}){100})";
  EXPECT_EQ(
      checkFields(parseGroupOptions(greedy).validation, "o", fieldsOf({}), 0, "eng").badSetting,
      "pattern.zip");
}

TEST(FieldRules, OptionsOffByDefaultAndBounded) {
  GroupOptions none = parseGroupOptions("honeypot=website\nlanguageFiles=on\n");
  EXPECT_FALSE(none.validation.anyRuleFor("order"));
  EXPECT_FALSE(none.validation.recordLanguage);
  std::string many;
  for (int i = 0; i < 500; ++i) many += "pattern.f" + std::to_string(i) + "=a\n";
  GroupOptions bounded = parseGroupOptions(many + "recordLanguage=on\nformUrl.order=/o.html\n");
  EXPECT_EQ(bounded.validation.patterns.size(), kMaxRulesOfAKind);
  EXPECT_TRUE(bounded.validation.recordLanguage);
  EXPECT_EQ(*ValidationOptions::find(bounded.validation.formUrls, "ORDER"), "/o.html");
  // A quote in a pattern stays a quote.
  GroupOptions quoted = parseGroupOptions("pattern.f=\"c\n");
  EXPECT_EQ(quoted.validation.patterns[0].value, "\"c");
}

}  // namespace
