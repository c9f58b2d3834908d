// The bound on searches ahead for closing and branch tags and on the values
// that conditions compare (found by fuzzing: a template that put many
// unclosed constructs in front of a large rest, or defined one name over and
// over and tested it each time, took seconds). Once maxScanned bytes are
// spent, the rest of the text stays as it is.
#include <gtest/gtest.h>

#include <string>

#include "common/language/language.h"
#include "common/template/template.h"

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

TEST_F(TemplateScanBound, ComparisonsWithAManyValuedNamePastTheBoundLeaveTheRestAsItIs) {
  options.maxScanned = 1000;
  // Each comparison looks at the 100 values of x (200 bytes with their
  // commas), and the search for its end at a few more: four fit, the fifth
  // passes the bound and leaves its tag.
  std::string text = repeated("<define x a>", 100) + repeated("<if x=b>no</if>", 20) + "<var tail>";
  EXPECT_EQ(expand(text), repeated("<if x=b>no</if>", 16) + "<var tail>");
}

TEST_F(TemplateScanBound, ConditionWithoutComparisonCostsNoMatterHowManyValues) {
  options.maxScanned = 1000;
  std::string text = repeated("<define x a>", 100) + repeated("<if x>yes</if>", 20) + "<var tail>";
  EXPECT_EQ(expand(text), repeated("yes", 20) + "T");
}

}  // namespace
