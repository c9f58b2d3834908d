// The re-filled form page: values back in each kind of control, the marks
// of an invalid field and the summary's links, the site's bytes otherwise
// kept, and hostile pages and values (unclosed tags, fields in comments,
// scripts and CDATA, markup in values) that must neither break the page
// nor let a value out of its place.
#include "insert/refilled_form.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class RefilledForm : public ::testing::Test {
 protected:
  std::string refill(const std::string& page) {
    RefillRequest request;
    request.fields = &fields;
    request.errors = &errors;
    request.honeypot = "website";
    request.titlePrefix = Markup("Error: ");
    request.heading = Markup("Please correct these errors");
    request.baseAddress = base;
    Text out;
    EXPECT_TRUE(refillForm(page, request, out));
    return std::string(out.view());
  }
  void post(const char* name, const char* value) { fields.add(name, value, AddMode::Append); }
  void fail(const char* field, const char* message) {
    errors.push_back({Text(field), Text(field), Markup(std::string_view(message))});
  }
  static bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }

  ParamList fields;
  List<FieldError> errors;
  Text base = "https://shop.example/order.html";
};

TEST_F(RefilledForm, ValuesComeBackInEveryKindOfControl) {
  post("name", "Ana \"A\" <b>&amp; &ccaron;");
  post("note", "\nline</textarea>");
  post("size", "M");
  post("wrap", "yes");
  post("extra", "a");
  post("extra", "c");
  post("website", "spam");
  post("secret", "pw");
  std::string page =
      "<html><head><title>Order</title></head><body><form>\n"
      "<input name=name value='old'>\n"
      "<textarea name=note>old</textarea>\n"
      "<select name=size><option selected>S</option><option>M</option></select>\n"
      "<input type=radio name=wrap value=yes><input type=radio name=wrap value=no checked>\n"
      "<input type=checkbox name=extra value=a><input type=checkbox name=extra value=b checked>"
      "<input type=checkbox name=extra value=\"c\"/>\n"
      "<input name=website><input type=password name=secret><input type=hidden name=t "
      "value=keep><input type=file name=doc>\n"
      "</form></body></html>";
  std::string out = refill(page);
  EXPECT_TRUE(has(out, "<input name=name value=\"Ana &quot;A&quot; &lt;b&gt;&amp;amp; &ccaron;\">"))
      << out;
  EXPECT_TRUE(has(out, "<textarea name=note>\n\nline&lt;/textarea&gt;</textarea>")) << out;
  EXPECT_TRUE(has(out, "<option >S</option><option selected>M</option>")) << out;
  EXPECT_TRUE(has(out,
                  "<input checked type=radio name=wrap value=yes><input type=radio "
                  "name=wrap value=no >"))
      << out;
  EXPECT_TRUE(has(out,
                  "<input checked type=checkbox name=extra value=a><input type=checkbox "
                  "name=extra value=b ><input checked type=checkbox name=extra value=\"c\"/>"))
      << out;
  EXPECT_TRUE(has(out,
                  "<input name=website><input type=password name=secret><input type=hidden "
                  "name=t value=keep><input type=file name=doc>"))
      << out;
  EXPECT_TRUE(has(out, "<title>Error: Order</title>")) << out;
  EXPECT_TRUE(has(out, "<head><base href=\"https://shop.example/order.html\">")) << out;
}

TEST_F(RefilledForm, InvalidFieldsAreMarkedAndLinkedFromTheSummary) {
  post("surname", "");
  post("quantity", "12");
  fail("surname", "Surname is required");
  fail("quantity", "Quantity must be a number from 1 to 10");
  fail("missing", "Missing is required");
  std::string page =
      "<!DOCTYPE html><html lang=en><head><title>Order</title><base href=/x/></head>\n"
      "<body class=shop>\n<h1>Order</h1><form>"
      "<input name=surname aria-describedby=hint><span id=hint>Family name</span>"
      "<input id=q name=quantity></form></body></html>";
  std::string out = refill(page);
  EXPECT_TRUE(has(out,
                  "<h1>Order</h1><div id=\"kalder-errors\" class=\"kalder-errors\" "
                  "role=\"alert\" tabindex=\"-1\" aria-labelledby=\"kalder-errors-heading\">\n"
                  "<h2 id=\"kalder-errors-heading\">Please correct these errors</h2>\n<ul>\n"
                  "<li><a href=\"#kalder-field-1\">Surname is required</a></li>\n"
                  "<li><a href=\"#q\">Quantity must be a number from 1 to 10</a></li>\n"
                  "<li>Missing is required</li>\n</ul>\n</div>\n<script>"))
      << out;
  EXPECT_TRUE(has(out,
                  "<input value=\"\" id=\"kalder-field-1\" aria-invalid=\"true\" "
                  "name=surname aria-describedby=\"hint kalder-error-1\"> <span "
                  "id=\"kalder-error-1\" class=\"kalder-error\">Surname is required</span>"))
      << out;
  EXPECT_TRUE(
      has(out,
          "<input value=\"12\" aria-invalid=\"true\" "
          "aria-describedby=\"kalder-error-2\" id=q name=quantity> <span id=\"kalder-error-2\""))
      << out;
  // The page's own base stays the only one.
  EXPECT_FALSE(has(out, "shop.example")) << out;
}

// Everything outside the changes is the page's own bytes.
TEST_F(RefilledForm, ThePageIsOtherwiseUnchanged) {
  std::string page =
      "<html>\n<HEAD>\n<meta charset=iso-8859-2><title>\xe8rka</title></HEAD>\n<BODY>"
      "<!-- comment --><form><p><INPUT NAME=a></form>\n</BODY></html>\n";
  post("a", "\xe8");
  std::string out = refill(page);
  EXPECT_EQ(
      out,
      "<html>\n<HEAD><base href=\"https://shop.example/order.html\">\n<meta "
      "charset=iso-8859-2><title>Error: \xe8rka</title></HEAD>\n<BODY><div id=\"kalder-errors\""
      " class=\"kalder-errors\" role=\"alert\" tabindex=\"-1\" "
      "aria-labelledby=\"kalder-errors-heading\">\n<h2 id=\"kalder-errors-heading\">Please "
      "correct these errors</h2>\n<ul>\n</ul>\n</div>\n<script>document.getElementById("
      "\"kalder-errors\").focus();</script>\n<!-- comment --><form><p><INPUT value=\"\xe8\" "
      "NAME=a></form>\n</BODY></html>\n");
}

// Pages a parser must survive: nothing in a comment, script, CDATA or
// template is touched, a cut page still gets its summary, and no posted
// value escapes its attribute or element.
TEST_F(RefilledForm, HostilePagesAndValues) {
  post("a", "\"><script>alert(1)</script>");
  post("t", "</textarea><script>x</script>");
  fail("a", "A is wrong");
  const char* pages[] = {
      "<form><input name=a",
      "<form><input name=a value=\"unclosed",
      "<!-- <input name=a> --><script>var s='<input name=a>';</script>"
      "<![CDATA[<input name=a>]]><template><input name=a></template>",
      "<textarea name=t>never closed",
      "<select name=a><option>",
      "<input name=a><input name=a><input name=a>",
      "<table><form><tr><td><input name=a></td></tr></form></table>",
      "<svg><input name=a></svg><math><textarea name=t></textarea></math>",
      "\xff\xfe<input\x00 name=a>",
      "",
      "<<<<>>>>&&&&\"\"''",
  };
  for (const char* page : pages) {
    std::string out = refill(page);
    EXPECT_FALSE(has(out, "<script>alert")) << page << "\n" << out;
    EXPECT_FALSE(has(out, "<script>x")) << page << "\n" << out;
    EXPECT_TRUE(has(out, "role=\"alert\"")) << page;
  }
  std::string inert = refill(pages[2]);
  EXPECT_FALSE(has(inert, "aria-invalid")) << inert;
  EXPECT_FALSE(has(inert, "value=")) << inert;
  // Deep nesting and many fields, within the bounds, and a page over them.
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<div>";
  for (int i = 0; i < 3000; ++i) deep += "<input name=a>";
  std::string out = refill(deep);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n') >= 0, true);
  RefillRequest request;
  request.fields = &fields;
  request.errors = &errors;
  Text unused;
  EXPECT_FALSE(refillForm(std::string(kMaxRefilledTags + 1, '<'), request, unused));
  EXPECT_FALSE(refillForm(std::string(kMaxRefilledPage + 1, ' '), request, unused));
}

TEST(FormValue, KeepsLetterEntitiesAndEscapesTheRest) {
  EXPECT_EQ(formValue("&ccaron; &amp; &x <'\">"), "&ccaron; &amp;amp; &amp;x &lt;&#39;&quot;&gt;");
}

}  // namespace
