// The bound on searches ahead for closing and branch tags (found by fuzzing:
// a template that put many unclosed constructs in front of a large rest took
// seconds). Once the searches have looked at maxScanned bytes, the rest of
// the text stays as it is.
#include <gtest/gtest.h>

#include <string>

#include "common/language/language.h"
#include "insert/template.h"

namespace {

class TemplateScanBound : public ::testing::Test {
 protected:
  TemplateScanBound() { variables.add("tail", "T", AddMode::Append); }

  std::string expand(const std::string& text) {
    Text result(text);
    TemplateScopes scopes{&variables};
    expandTemplate(result, scopes, "", kEnglish, kLanguages[kEnglish].dateFormat,
                   kLanguages[kEnglish].timeFormat, options);
    return result.str();
  }
  static std::string repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
  }

  ParamList variables;
  TemplateOptions options;
  // Each unclosed construct searches the whole 10,000-byte rest.
  const std::string rest = std::string(10000, 'x') + "<var tail>";
};

TEST_F(TemplateScanBound, UnclosedMacrodefsStayAndTheRestIsExpandedWithinTheBound) {
  std::string text = repeated("<macrodef u>", 20) + rest;
  EXPECT_EQ(expand(text), repeated("<macrodef u>", 20) + std::string(10000, 'x') + "T");
}

TEST_F(TemplateScanBound, UnclosedMacrodefsPastTheBoundLeaveTheRestAsItIs) {
  options.maxScanned = 5 * 10000;
  std::string text = repeated("<macrodef u>", 20) + rest;
  EXPECT_EQ(expand(text), text);
}

TEST_F(TemplateScanBound, ConditionsWithoutEndPastTheBoundLeaveTheRestAsItIs) {
  options.maxScanned = 5 * 10000;
  variables.add("a", "1", AddMode::Append);
  std::string text = repeated("<if a>", 20) + rest;
  // Four true conditions are taken, each searching the rest for its end; the
  // fifth search passes the bound and leaves its tag.
  EXPECT_EQ(expand(text), repeated("<if a>", 16) + rest);
}

TEST_F(TemplateScanBound, ConditionsWithoutEndWithinTheBoundAreAllTaken) {
  variables.add("a", "1", AddMode::Append);
  EXPECT_EQ(expand(repeated("<if a>", 20) + rest), std::string(10000, 'x') + "T");
}

}  // namespace
