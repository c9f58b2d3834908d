// The template language of answer pages and mail templates: its tags, the
// pieces they are read with, the visitor's text kept as data, and the bounds
// that end runaway expansion.
#include "common/template/template.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "common/cgi/request_context.h"
#include "common/language/language.h"
#include "common/template/template_internal.h"
#include "support/test_home.h"

using namespace template_internal;

namespace {

class TemplateTest : public ::testing::Test {
 protected:
  TemplateTest() {
    options.postedFields = &posted;
    options.requestVariables = &request;
  }

  std::string expand(const std::string& text, int language = kEnglish) {
    Text result(text);
    TemplateScopes scopes{&posted, &group, &variables};
    expandTemplate(result, scopes, directory, language, kLanguages[language].dateFormat,
                   kLanguages[language].timeFormat, options);
    return result.str();
  }

  ParamList posted;
  ParamList group;
  ParamList variables;
  Text directory;
  TemplateOptions options;
  RequestVariables request;
};

// ---- Tags and their pieces ----

TEST(TemplateTags, ClassifyTagFollowsTheKeywordTable) {
  EXPECT_EQ(classifyTag("<if x>", 0), kIfTag);
  EXPECT_EQ(classifyTag("<IF x>", 0), kIfTag);
  EXPECT_EQ(classifyTag("<macrodef x>", 0), kMacrodefTag);
  EXPECT_EQ(classifyTag("<macro x>", 0), kMacroTag);
  EXPECT_EQ(classifyTag("<var\tx>", 0), kVarTag);
  EXPECT_EQ(classifyTag("<var>", 0), kVarTag);
  EXPECT_EQ(classifyTag("</If>", 0), kEndIfTag);
  EXPECT_EQ(classifyTag("ab<else>", 2), kElseTag);
  EXPECT_EQ(classifyTag("<variable>", 0), kNoTag);
  EXPECT_EQ(classifyTag("< var x>", 0), kNoTag);
  EXPECT_EQ(classifyTag("<var", 0), kNoTag);
  EXPECT_EQ(classifyTag("<b>", 0), kNoTag);
}

TEST(TemplateTags, TagBodySkipsLeadingSpaceAndStopsAtTheOuterClosingBracket) {
  TagBody body = tagBody("<var   name  >rest", 0, "var");
  EXPECT_EQ(body.body, "name");
  EXPECT_EQ(body.end, 13);
  body = tagBody("<macro m <var x> \"a>b\">!", 0, "macro");
  EXPECT_EQ(body.body, "m <var x> \"a>b\"");
  EXPECT_EQ(body.end, 22);
  body = tagBody("<var>", 0, "var");
  EXPECT_EQ(body.body, "");
  EXPECT_EQ(body.end, 4);
}

TEST(TemplateTags, TagBodyWithoutClosingBracketRunsToTheEnd) {
  TagBody body = tagBody("<var \"x> y", 0, "var");
  EXPECT_EQ(body.body, "\"x> y");
  EXPECT_EQ(body.end, 10);
  body = tagBody("<define a \\\">b", 0, "define");  // an escaped quote flips nothing
  EXPECT_EQ(body.body, "a \\\"");
  EXPECT_EQ(body.end, 12);
}

TEST(TemplateTags, SplitArgumentsGroupsQuotesAndTags) {
  EXPECT_EQ(splitArguments("title \"Order form\"", 2), (List<Text>{"title", "Order form"}));
  EXPECT_EQ(splitArguments("v <var x>", 2), (List<Text>{"v", "<var x>"}));
  EXPECT_EQ(splitArguments("a\\ b\\\"c d", 2), (List<Text>{"a b\"c", "d"}));
  EXPECT_EQ(splitArguments("  one  ", 3), (List<Text>{"one", "", ""}));
  EXPECT_EQ(splitArguments("a b c d", 2), (List<Text>{"a", "b"}));
  EXPECT_EQ(splitArguments("x\\", 1), (List<Text>{"x\\"}));
}

TEST(TemplateTags, FindTagNeedsTheKeywordFollowedBySpaceOrBracket) {
  EXPECT_EQ(findTag("<macro> </macrodef>", 0, "/macrodef"), 8);
  EXPECT_EQ(findTag("</macrodefx> </MACRODEF\n", 0, "/macrodef"), 13);
  EXPECT_EQ(findTag("</macrodef>", 1, "/macrodef"), -1);
}

TEST(TemplateTags, FindBranchSkipsNestedConditions) {
  std::string_view text = "A<if b>B<else>C</if>D<elif e>E</if>";
  Branch branch = findBranch(text, 1);
  EXPECT_EQ(branch.kind, BranchKind::Elif);
  EXPECT_EQ(branch.position, 21);
  branch = findBranch(text, 22);
  EXPECT_EQ(branch.kind, BranchKind::EndIf);
  EXPECT_EQ(branch.position, 30);
  branch = findBranch("no end <if x>", 0);
  EXPECT_EQ(branch.kind, BranchKind::EndIf);
  EXPECT_EQ(branch.position, 13);
}

// ---- Variables ----

TEST(TemplateVariables, LookupFollowsTheScopesInOrder) {
  ParamList first, second;
  first.add("name", "first", AddMode::Append);
  second.add("NAME", "second", AddMode::Append);
  second.add("other", "o", AddMode::Append);
  TemplateScopes scopes{&first, &second};
  EXPECT_EQ(variableValue(lookupVariable("Name", scopes).entry, true), "first");
  EXPECT_EQ(variableValue(lookupVariable("other", scopes).entry, true), "o");
  EXPECT_EQ(lookupVariable("missing", scopes).entry, nullptr);
  EXPECT_EQ(lookupVariable("", scopes).entry, nullptr);
}

TEST(TemplateVariables, RequestVariablesAnswerNamesWithAmpersand) {
  RequestVariables request;
  request.set("KALDER_TEMPLATE_TEST", "from the request");
  TemplateOptions options;
  options.requestVariables = &request;
  TemplateScopes scopes;
  Variable variable = lookupVariable("&KALDER_TEMPLATE_TEST", scopes, options);
  ASSERT_NE(variable.entry, nullptr);
  EXPECT_EQ(variable.entry->value, "from the request");
  EXPECT_TRUE(variable.fromVisitor);
  EXPECT_EQ(lookupVariable("KALDER_TEMPLATE_TEST", scopes, options).entry, nullptr);
  EXPECT_EQ(lookupVariable("&OTHER", scopes, options).entry, nullptr);
  // Without the request's variables nothing falls back, whatever the process has.
  setenv("KALDER_TEMPLATE_TEST", "from the process", 1);
  EXPECT_EQ(lookupVariable("&KALDER_TEMPLATE_TEST", scopes).entry, nullptr);
  unsetenv("KALDER_TEMPLATE_TEST");
}

TEST(TemplateVariables, VariableValueJoinsFurtherValues) {
  Param entry{"colour", "red", {"blue", ""}};
  EXPECT_EQ(variableValue(&entry, true), "red,blue,");
  EXPECT_EQ(variableValue(&entry, false), "red");
  EXPECT_EQ(variableValue(nullptr, true), "");
}

TEST(TemplateVariables, ConditionsCompareAnyValueIgnoringCase) {
  ParamList scope;
  scope.add("colour", "red", AddMode::Append);
  scope.add("colour", "blue", AddMode::Append);
  scope.add("empty", "", AddMode::Append);
  TemplateScopes scopes{&scope};
  EXPECT_TRUE(evaluateCondition("colour", scopes));
  EXPECT_TRUE(evaluateCondition("colour=BLUE", scopes));
  EXPECT_FALSE(evaluateCondition("colour=green", scopes));
  EXPECT_FALSE(evaluateCondition("colour= red", scopes));     // never trimmed
  EXPECT_FALSE(evaluateCondition("colour=\"red\"", scopes));  // quotes are kept
  EXPECT_FALSE(evaluateCondition("empty", scopes));
  EXPECT_TRUE(evaluateCondition("empty=", scopes));
  EXPECT_FALSE(evaluateCondition("missing=", scopes));
}

TEST(TemplateVariables, UnescapeRules) {
  struct Row {
    const char* in;
    const char* out;
  } rows[] = {
      {"a\\nb", "a\nb"},  {"a\\\\nb", "a\\nb"}, {"a\\\nb", "ab"},           {"a\\tb", "a\\tb"},
      {"end\\", "end\\"}, {"\\\\\\n", "\\\n"},  {"no escape", "no escape"},
  };
  for (const Row& row : rows) {
    Text text(row.in);
    unescape(text);
    EXPECT_EQ(text, row.out) << row.in;
  }
}

// ---- Expansion: the documented cases ----

TEST_F(TemplateTest, EmptyVarTagGivesNothing) { EXPECT_EQ(expand("a<var>b<var >c"), "abc"); }

TEST_F(TemplateTest, RepeatedFieldJoinsAndMatchesEveryValue) {
  posted.add("colour", "red", AddMode::Append);
  posted.add("colour", "blue", AddMode::Append);
  EXPECT_EQ(expand("<var colour>|<if colour=BLUE>yes</if>|<if colour>set</if>"),
            "red,blue|yes|set");
}

TEST_F(TemplateTest, ElifChainChoosesTheFirstTrueBranch) {
  const std::string text = "<if a>A<elif b>B<else>C</if>.";
  EXPECT_EQ(expand(text), "C.");
  group.add("b", "1", AddMode::Append);
  EXPECT_EQ(expand(text), "B.");
  group.add("a", "1", AddMode::Append);
  EXPECT_EQ(expand(text), "A.");
}

TEST_F(TemplateTest, NestedConditionsFollowTheirBranch) {
  group.add("a", "1", AddMode::Append);
  EXPECT_EQ(expand("<if a>1<if b>2<else>3</if>4<else>5<if a>6</if>7</if>8"), "1348");
  EXPECT_EQ(expand("<if b>1<if a>2</if>3<elif a>4<if a>5<else>6</if></if>7"), "457");
}

TEST_F(TemplateTest, MissingEndIfEndsTheSectionAtTheEnd) {
  EXPECT_EQ(expand("x<if a>dropped to the end"), "x");
  group.add("a", "1", AddMode::Append);
  EXPECT_EQ(expand("x<if a>kept<else>dropped"), "xkept");
}

TEST_F(TemplateTest, BranchTagsOutsideAConditionStay) {
  EXPECT_EQ(expand("<b>bold</b> <else> </if> </macrodef>"), "<b>bold</b> <else> </if> </macrodef>");
}

TEST_F(TemplateTest, DefinedVariablesCollectValues) {
  EXPECT_EQ(expand("<define x 1><define x 2><var x>"), "1,2");
  EXPECT_EQ(expand("<define title \"Order form\"><var title>"), "Order form");
}

TEST_F(TemplateTest, DefinedValueIsNormalisedAndExpandedWhereUsed) {
  group.add("y", "Y", AddMode::Append);
  EXPECT_EQ(expand("<define v <var y>><define s C\\\"s><var v><var s>"), "YC&scaron;");
}

TEST_F(TemplateTest, ScopesHideTemplateDefinitions) {
  variables.add("&x", "system", AddMode::Append);
  EXPECT_EQ(expand("<define &x mine><var &x>"), "system");
}

TEST_F(TemplateTest, DefinitionsLastOneCallAndScopesStayAsTheyWere) {
  TemplateScopes scopes{&group};
  Text first("<define x 1><macrodef m>M</macrodef>");
  expandTemplate(first, scopes, "", 0, "", "");
  Text second("[<var x><macro m>]");
  expandTemplate(second, scopes, "", 0, "", "");
  EXPECT_EQ(second, "[]");
  EXPECT_EQ(scopes.size(), 1u);
}

TEST_F(TemplateTest, MacroArgumentsAreSubstitutedAndTheFirstDefinitionStays) {
  EXPECT_EQ(expand("<macrodef m>[#2/#1]</macrodef><macro m a b>"
                   "<macrodef m>other</macrodef><macro m c d>"),
            "[b/a][d/c]");
  EXPECT_EQ(expand("<macrodef m>#0#1#4#9</macrodef><macro m a>"), "#0a#4#9");
  EXPECT_EQ(expand("<macro undefined a b>."), ".");
}

TEST_F(TemplateTest, MacroArgumentCanCompleteAHashBeforeIt) {
  // Replacing from the end: "#" followed by the argument "2" reads as "#2".
  EXPECT_EQ(expand("<macrodef m>##1</macrodef><macro m 2 two>"), "two");
}

TEST_F(TemplateTest, MacroArgumentTagIsExpandedAfterSubstitution) {
  group.add("x", "X", AddMode::Append);
  EXPECT_EQ(expand("<macrodef m>(#1)</macrodef><macro m <var x>>"), "(X)");
}

TEST_F(TemplateTest, MacrodefWithoutClosingTagStaysInTheText) {
  group.add("x", "X", AddMode::Append);
  EXPECT_EQ(expand("<macrodef m>body <var x>"), "<macrodef m>body X");
}

TEST_F(TemplateTest, RequestVariableWhenNoScopeDefinesIt) {
  request.set("KALDER_TEMPLATE_TEST", "request value");
  EXPECT_EQ(expand("<var &KALDER_TEMPLATE_TEST>"), "request value");
  variables.add("&KALDER_TEMPLATE_TEST", "scope value", AddMode::Append);
  EXPECT_EQ(expand("<var &KALDER_TEMPLATE_TEST>"), "scope value");
}

TEST_F(TemplateTest, DatesAndTimesFromVariables) {
  variables.add("&date", "20240305", AddMode::Append);
  variables.add("&time", "1405", AddMode::Append);
  EXPECT_EQ(expand("<date &date \"-d. -E -Y\">"), "5. marec 2024");
  EXPECT_EQ(expand("<date &date>"), "Tuesday, Mar 5, 2024");
  EXPECT_EQ(expand("<time &time>"), "2:05 pm");
  EXPECT_EQ(expand("<time &time>", kSlovenian), "14:05");
  EXPECT_EQ(expand("<date &date>", kSlovenian), "Torek, 5. marec 2024");
}

TEST_F(TemplateTest, DateFromMalformedValueReadsMissingPiecesAsZero) {
  posted.add("when", "2024x", AddMode::Append);
  EXPECT_EQ(expand("<date when \"-Y/-m/-d -B\">"), "2024/0/0 ");
  EXPECT_EQ(expand("<date nothing \"-Y/-m/-d\">"), "0/0/0");
}

TEST_F(TemplateTest, NowUsesBothFormatsByDefault) {
  std::string now = expand("<now>");
  EXPECT_NE(now.find(':'), std::string::npos);
  EXPECT_NE(now.find(", "), std::string::npos);
  EXPECT_EQ(expand("<now \"--\">"), "-");
}

TEST_F(TemplateTest, BackslashRulesApplyToTheResult) {
  group.add("g", "line\\nbreak", AddMode::Append);
  EXPECT_EQ(expand("one\\ntwo\\\nthree <var g>"), "one\ntwothree line\nbreak");
}

TEST_F(TemplateTest, TextThatIsNoTagStays) {
  group.add("x", "X", AddMode::Append);
  EXPECT_EQ(expand("< var x> <varx> <var x> a < b > c <"), "< var x> <varx> X a < b > c <");
}

TEST_F(TemplateTest, IncludeReadsFromTheDirectoryAndExpandsTheFile) {
  TestHome home;
  home.write("part.inc", "[<var x>]\r\nline\r\n");
  directory = home.path();
  group.add("x", "X", AddMode::Append);
  EXPECT_EQ(expand("a<include part.inc>b"), "a[X]\nline\nb");
  EXPECT_EQ(expand("a<include missing.inc>b"), "ab");
  EXPECT_EQ(expand("a<include >b"), "ab");  // the directory itself is not a file
}

// ---- The visitor's text is data ----

TEST_F(TemplateTest, PostedTagsAreNotExpanded) {
  TestHome home;
  home.write("secret.inc", "SECRET");
  directory = home.path();
  posted.add("note", "<include secret.inc><var &PATH><if x>", AddMode::Append);
  EXPECT_EQ(expand("[<var note>]"), "[<include secret.inc><var &PATH><if x>]");
}

TEST_F(TemplateTest, PostedTextJoinsNoTagWithTheTemplate) {
  posted.add("lt", "<", AddMode::Append);
  group.add("x", "X", AddMode::Append);
  EXPECT_EQ(expand("<var lt>var x>"), "<var x>");
}

TEST_F(TemplateTest, RequestVariableTextIsNotExpanded) {
  request.set("KALDER_TEMPLATE_TEST", "<var &PATH>");
  request.set("PATH", "/bin");
  EXPECT_EQ(expand("<var &KALDER_TEMPLATE_TEST>"), "<var &PATH>");
}

TEST_F(TemplateTest, VisitorVariablesOfTheRequestAreData) {
  variables.add("&reflabel", "<var &PATH>", AddMode::Append);
  EXPECT_EQ(expand("<var &reflabel>"), "<var &PATH>");
}

TEST_F(TemplateTest, PostedFieldReachedThroughAMacroStaysData) {
  posted.add("item", "<b>\"x\"</b>", AddMode::Append);
  options.escapePosted = true;
  EXPECT_EQ(expand("<macrodef row><td>#1</td></macrodef><macro row <var item>>"),
            "<td>&lt;b&gt;&quot;x&quot;&lt;/b&gt;</td>");
}

TEST_F(TemplateTest, GroupVariablesAndIncludesAreStillExpanded) {
  group.add("signature", "<var shop> team", AddMode::Append);
  group.add("shop", "Corner shop", AddMode::Append);
  EXPECT_EQ(expand("<var signature>"), "Corner shop team");
}

TEST_F(TemplateTest, EscapingAppliesOnlyToTheVisitorsText) {
  posted.add("name", "<script>alert(\"x\")</script> & 'co'", AddMode::Append);
  group.add("bold", "<b>", AddMode::Append);
  options.escapePosted = true;
  EXPECT_EQ(expand("<var bold><var name>"),
            "<b>&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; & &#39;co&#39;");
  options.escapePosted = false;
  EXPECT_EQ(expand("<var name>"), "<script>alert(\"x\")</script> & 'co'");
}

TEST_F(TemplateTest, PostedBackslashesStayAsTyped) {
  posted.add("path", "C:\\new\\\\", AddMode::Append);
  EXPECT_EQ(expand("\\<var path>\\n"), "\\C:\\new\\\\\n");
}

TEST_F(TemplateTest, DateFromPostedFieldIsFormattedNotScanned) {
  posted.add("when", "20240305", AddMode::Append);
  EXPECT_EQ(expand("<date when \"-Y\\\\n<b>\">"), "2024\n<b>");
}

// ---- Bounds ----

TEST_F(TemplateTest, VariableHoldingItsOwnTagEnds) {
  group.add("v", "<var v>", AddMode::Append);
  options.maxExpansions = 10;
  EXPECT_EQ(expand("a<var v>b"), "a<var v>b");
  options = TemplateOptions();
  EXPECT_EQ(expand("a<var v>b"), "a<var v>b");
}

TEST_F(TemplateTest, MacroCallingItselfEnds) {
  options.maxExpansions = 5;
  EXPECT_EQ(expand("<macrodef m>x<macro m>y</macrodef><macro m>."), "xxxxx<macro m>yyyyy.");
}

TEST_F(TemplateTest, FileIncludingItselfEnds) {
  TestHome home;
  home.write("self.inc", "a<include self.inc>b");
  directory = home.path();
  options.maxIncludes = 3;
  EXPECT_EQ(expand("<include self.inc>."), "aaa<include self.inc>bbb.");
  options = TemplateOptions();
  std::string result = expand("<include self.inc>.");
  EXPECT_EQ(result, std::string(1000, 'a') + "<include self.inc>" + std::string(1000, 'b') + ".");
}

TEST_F(TemplateTest, GrowingTextStopsAtTheSizeBound) {
  group.add("v", std::string(100, 'x') + "<var v>", AddMode::Append);
  options.maxGrowth = 1000;
  std::string result = expand("<var v>.");
  EXPECT_EQ(result, std::string(1000, 'x') + "<var v>.");
  options = TemplateOptions();
  EXPECT_LE(expand("<var v>.").size(), static_cast<size_t>(options.maxGrowth) + 8);
}

TEST_F(TemplateTest, RepeatedPostedTextIsBoundedToo) {
  posted.add("big", std::string(400, 'p'), AddMode::Append);
  options.maxGrowth = 1000;
  EXPECT_EQ(expand("<var big><var big><var big>"), std::string(800, 'p') + "<var big>");
}

}  // namespace

// ---- Robustness ----

// Texts pieced together from fragments of the language, unbalanced and
// nested at random: every one must expand without fault and end.
TEST_F(TemplateTest, RandomFragmentsAlwaysEnd) {
  const char* fragments[] = {"<if a>",
                             "<elif b>",
                             "<else>",
                             "</if>",
                             "<var a>",
                             "<var v>",
                             "<macrodef m>",
                             "</macrodef>",
                             "<macro m <var a> #1>",
                             "#1",
                             "<define v <var v>>",
                             "<define a \"x y\">",
                             "<include x>",
                             "<date a>",
                             "<time a>",
                             "<now \"-d\">",
                             "\"",
                             "\\",
                             "\\n",
                             "<",
                             ">",
                             " ",
                             "text",
                             "<b>",
                             "<var",
                             "<var p>"};
  group.add("a", "1", AddMode::Append);
  posted.add("p", "<var a>\\", AddMode::Append);
  options.maxExpansions = 200;
  unsigned state = 12345;
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (int i = 0; i < 12; ++i) {
      state = state * 1103515245u + 12345u;
      text += fragments[(state >> 16) % (sizeof fragments / sizeof *fragments)];
    }
    std::string result = expand(text);
    EXPECT_LE(result.size(), text.size() + static_cast<size_t>(options.maxGrowth)) << text;
  }
}
