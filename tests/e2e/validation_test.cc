// The validation rules of a group's options, run as a web server runs
// insert: each kind of rule refusing and admitting, nothing stored, labelled
// or mailed for an invalid submission; the form page sent back re-filled
// and parsed back (values, aria-invalid, messages, summary links); the
// site's error template and the built-in page; JSON with 422; the record's
// language and the pages of the request's language.
#include <gtest/gtest.h>
#include <gumbo.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

const char kGroup[] = "vars=CDT\nform=order\ncatalog=orders order\nlabel=Q-\ncount=41\n";
const char kForm[] =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<title>Order</title>\n"
    "<link rel=\"stylesheet\" href=\"shop.css\">\n</head>\n<body>\n<h1>Order</h1>\n"
    "<form method=\"post\" action=\"/cgi-bin/insert.exe/shop?formid=order\">\n"
    "<label for=\"surname\">Surname</label> <input id=\"surname\" name=\"surname\">\n"
    "<label for=\"quantity\">Quantity</label> <input id=\"quantity\" name=\"quantity\">\n"
    "<label>Note <textarea name=\"note\"></textarea></label>\n"
    "<select name=\"size\" aria-label=\"Size\"><option>S</option><option>M</option></select>\n"
    "<label><input type=\"checkbox\" name=\"gift\" value=\"yes\"> Gift</label>\n"
    "<input name=\"website\" hidden>\n"
    "<button>Order</button>\n</form>\n</body>\n</html>\n";
const char kRules[] =
    "require.order=surname quantity\nrange.quantity=1..10\nlabel.surname=Surname\n"
    "label.surname.slo=Priimek\nlabel.quantity=Quantity\nlabel.quantity.slo=Koli&ccaron;ina\n"
    "honeypot=website\nformUrl.order=https://shop.example/order.html\n";

struct Site {
  explicit Site(const std::string& options, bool formFile = true) {
    home.write("kalder.ini", "[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("shop.grp", kGroup);
    home.write("order.msg", "Stored <var &label>.\n");
    if (formFile) home.write("order.htm", kForm);
    home.write("shop.grp.options", options);
  }
  CgiResult post(const std::string& body, const std::string& query = "",
                 const Environment& more = {}) {
    Environment env = postEnvironment(home.path(), "insert", "shop", query, body);
    for (const auto& [name, value] : more) env[name] = value;
    return runCgi(programPath("insert"), env, body);
  }
  bool stored() const { return home.exists("orders.dat"); }
  TestHome home;
};

std::string bodyOf(const CgiResult& result) {
  size_t end = result.output.find("\n\n");
  return end == std::string::npos ? "" : result.output.substr(end + 2);
}
bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// What a browser and a screen reader find in an answer page.
struct ParsedPage {
  std::map<std::string, std::string> values;   // control name -> value / checked / selected
  std::map<std::string, std::string> invalid;  // name -> text of its described-by element
  std::vector<std::string> summaryLinks;       // the summary's link targets
  std::map<std::string, std::string> ids;      // id -> element text
  std::map<std::string, std::string> idNames;  // id -> control name
  std::string title, lang, base;
};

std::string textOf(const GumboNode* node) {
  if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE)
    return node->v.text.text;
  if (node->type != GUMBO_NODE_ELEMENT) return "";
  std::string text;
  const GumboVector& children = node->v.element.children;
  for (unsigned i = 0; i < children.length; ++i)
    text += textOf(static_cast<GumboNode*>(children.data[i]));
  return text;
}

std::string attr(const GumboNode* node, const char* name) {
  GumboAttribute* found = gumbo_get_attribute(&node->v.element.attributes, name);
  return found ? found->value : "";
}

ParsedPage parse(const std::string& page) {
  ParsedPage parsed;
  GumboOutput* output = gumbo_parse(page.c_str());
  std::vector<const GumboNode*> stack{output->root};
  std::map<std::string, std::string> describedBy;
  bool inSummary = false;
  while (!stack.empty()) {
    const GumboNode* node = stack.back();
    stack.pop_back();
    if (node == nullptr) {
      inSummary = false;
      continue;
    }
    if (node->type != GUMBO_NODE_ELEMENT) continue;
    GumboTag tag = node->v.element.tag;
    std::string name = attr(node, "name");
    if (!attr(node, "id").empty()) {
      parsed.ids[attr(node, "id")] = textOf(node);
      parsed.idNames[attr(node, "id")] = name;
    }
    if (tag == GUMBO_TAG_HTML) parsed.lang = attr(node, "lang");
    if (tag == GUMBO_TAG_TITLE) parsed.title = textOf(node);
    if (tag == GUMBO_TAG_BASE) parsed.base = attr(node, "href");
    if (tag == GUMBO_TAG_INPUT) {
      bool box = attr(node, "type") == "checkbox";
      if (!box || gumbo_get_attribute(&node->v.element.attributes, "checked"))
        parsed.values[name] = box ? attr(node, "value") : attr(node, "value");
    }
    if (tag == GUMBO_TAG_TEXTAREA) parsed.values[name] = textOf(node);
    if (tag == GUMBO_TAG_OPTION && gumbo_get_attribute(&node->v.element.attributes, "selected"))
      parsed.values["option"] = textOf(node);
    if (attr(node, "aria-invalid") == "true") describedBy[name] = attr(node, "aria-describedby");
    if (attr(node, "role") == "alert") {
      inSummary = true;
      stack.push_back(nullptr);
    }
    if (tag == GUMBO_TAG_A && inSummary) parsed.summaryLinks.push_back(attr(node, "href"));
    const GumboVector& children = node->v.element.children;
    for (unsigned i = children.length; i > 0; --i)
      stack.push_back(static_cast<GumboNode*>(children.data[i - 1]));
  }
  for (const auto& [name, ids] : describedBy) {
    std::string last = ids.substr(ids.rfind(' ') + 1);
    parsed.invalid[name] = parsed.ids[last];
  }
  gumbo_destroy_output(&kGumboDefaultOptions, output);
  return parsed;
}

// One row per kind of rule: a value it refuses with its message, and one it
// admits (stored).
TEST(Validation, EachRuleRefusesAndAdmits) {
  struct Row {
    const char* options;
    const char* refused;
    const char* message;
    const char* admitted;
  } rows[] = {
      {"require.order=surname", "surname=+", "surname is required", "surname=Novak"},
      {"pattern.zip=[0-9]{4}", "zip=x1000", "zip is not in the expected form", "zip=1000"},
      {"length.note=2..3", "note=abcd", "note must be from 2 to 3 characters long", "note=abc"},
      {"range.q=-5..10", "q=11", "q must be a number from -5 to 10", "q=-5"},
      {"oneOf.size=S|M|L", "size=XL", "size must be one of: S, M, L", "size=M"},
      {"email=mail", "mail=a%40b.example%2Cc%40d.example", "mail must be an e-mail address",
       "mail=a%40b.example"},
  };
  for (const Row& row : rows) {
    Site site(row.options, false);
    CgiResult refused = site.post(row.refused, "format=json");
    EXPECT_TRUE(has(refused.output, std::string("\"message\":\"") + row.message + "\""))
        << row.options << refused.output;
    EXPECT_FALSE(site.stored()) << row.options;
    CgiResult admitted = site.post(row.admitted);
    EXPECT_EQ(admitted.output, "Content-type: text/html\n\nStored Q-42.\n") << row.options;
  }
}

// Nothing of an invalid submission is kept: no record, no label, no mail in
// the outbox, no quarantine (even with the honeypot filled); one metric
// event counts it.
TEST(Validation, InvalidStoresLabelsAndMailsNothing) {
  Site site(std::string(kRules) + "rateLimit=on\n");
  site.home.write("shop.grp", std::string(kGroup) + "response=staff@example.org\n");
  CgiResult result = site.post("surname=&quantity=3&website=bot");
  EXPECT_EQ(result.status, 0);
  EXPECT_FALSE(site.stored());
  EXPECT_TRUE(has(site.home.read("shop.grp"), "count=41"));
  EXPECT_FALSE(site.home.exists("shop.grp.quarantine"));
  EXPECT_FALSE(site.home.exists("outbox"));
  EXPECT_EQ(site.home.read("metrics.events"), "submission\tshop\tinvalid\n");
  EXPECT_TRUE(site.home.exists("shop.grp.rate"));
  ASSERT_EQ(site.post("surname=Novak&quantity=3").status, 0);
  EXPECT_TRUE(has(site.home.read("orders.dat"), "surname==Novak"));
  EXPECT_TRUE(site.home.exists("outbox"));
}

TEST(Validation, TheFormComesBackRefilledAndMarked) {
  struct Row {
    const char* language;
    const char* title;
    const char* surnameMessage;
    const char* quantityMessage;
  } rows[] = {
      {"", "Error: Order", "Surname is required", "Quantity must be a number from 1 to 10"},
      {"language=slo,utf8,UTF-8", "Napaka: Order", "Priimek je treba izpolniti",
       "Količina mora biti število od 1 do 10"},
  };
  for (const Row& row : rows) {
    Site site(kRules);
    CgiResult result =
        site.post("surname=&quantity=12&note=%3C%2Ftextarea%3E%3Cb%3Ex&size=M&gift=yes&website=",
                  row.language);
    ASSERT_EQ(result.status, 0);
    std::string page = bodyOf(result);
    ParsedPage parsed = parse(page);
    EXPECT_EQ(parsed.title, row.title);
    EXPECT_EQ(parsed.lang, "en");
    EXPECT_EQ(parsed.base, "https://shop.example/order.html");
    EXPECT_EQ(parsed.values["quantity"], "12");
    EXPECT_EQ(parsed.values["surname"], "");
    EXPECT_EQ(parsed.values["note"], "</textarea><b>x");
    EXPECT_EQ(parsed.values["option"], "M");
    EXPECT_EQ(parsed.values["gift"], "yes");
    EXPECT_EQ(parsed.invalid["surname"], row.surnameMessage) << page;
    EXPECT_EQ(parsed.invalid["quantity"], row.quantityMessage) << page;
    EXPECT_EQ(parsed.invalid.size(), 2u);
    ASSERT_EQ(parsed.summaryLinks, (std::vector<std::string>{"#surname", "#quantity"})) << page;
    EXPECT_EQ(parsed.idNames["surname"], "surname");
    EXPECT_TRUE(has(page, "role=\"alert\" tabindex=\"-1\"")) << page;
    EXPECT_TRUE(has(page, "<h2 id=\"kalder-errors-heading\">")) << page;
    EXPECT_FALSE(site.stored());
  }
}

// Without the form file: the site's template, else the built-in page, each
// listing every error with a way back that keeps the values.
TEST(Validation, ErrorTemplateAndBuiltInPage) {
  Site site(kRules, false);
  CgiResult builtIn = site.post("surname=&quantity=0&note=%3Cscript%3E", "language=slo,utf8,UTF-8");
  std::string page = bodyOf(builtIn);
  EXPECT_TRUE(has(page, "<html lang=\"sl\">")) << page;
  EXPECT_TRUE(has(page, "<title>Napaka: Obrazec ni bil poslan</title>")) << page;
  EXPECT_TRUE(has(page,
                  "<div role=\"alert\">\n<h2>Prosimo, popravite te napake</h2>\n<ul>\n"
                  "<li>Koli&#269;ina mora biti &#353;tevilo od 1 do 10</li>\n"
                  "<li>Priimek je treba izpolniti</li>\n</ul>"))
      << page;
  EXPECT_TRUE(has(page, "<a href=\"javascript:history.back()\">Nazaj</a>")) << page;
  site.home.write("order.err",
                  "<title>Error</title><p><var &errorcount> errors</p><var &errors>"
                  "<p><var note></p>\n");
  CgiResult fromTemplate = site.post("surname=&quantity=0&note=%3Cscript%3E");
  EXPECT_EQ(bodyOf(fromTemplate),
            "<title>Error</title><p>2 errors</p><ul>\n<li>Quantity must be a number from 1 to "
            "10</li>\n<li>Surname is required</li>\n</ul>\n<p>&lt;script&gt;</p>\n");
  EXPECT_FALSE(site.stored());
}

TEST(Validation, JsonAnswerIs422WithEveryError) {
  Site site(kRules);
  CgiResult result = site.post("surname=&quantity=x", "", {{"HTTP_ACCEPT", "application/json"}});
  EXPECT_EQ(result.output,
            "Status: 422 Unprocessable Content\nContent-type: application/json; charset=utf-8\n\n"
            "{\"ok\":false,\"errors\":[{\"field\":\"quantity\",\"label\":\"Quantity\",\"message\":"
            "\"Quantity must be a number from 1 to 10\"},{\"field\":\"surname\",\"label\":"
            "\"Surname\",\"message\":\"Surname is required\"}]}\n");
  EXPECT_FALSE(site.stored());
}

// A rule that cannot be used is a settings error, not a crash, and stores
// nothing.
TEST(Validation, BadPatternIsASettingsError) {
  Site site("pattern.zip=(\n", false);
  CgiResult result = site.post("zip=1");
  EXPECT_TRUE(has(result.output, "<tt>pattern.zip</tt>")) << result.output;
  EXPECT_FALSE(site.stored());
}

// recordLanguage adds &FORMLANGUAGE after the automatic fields of item
// records only; languageFiles picks the answer page and staff template of
// the request's language.
TEST(Validation, RecordLanguageAndLanguageFiles) {
  struct Row {
    const char* group;
    const char* options;
    const char* query;
    const char* record;  // the stored record; empty for a delimited one
    const char* answer;
  } rows[] = {
      {"vars=FCDT\nform=order\ncatalog=orders order\nlabel=Q-\n", "recordLanguage=on\n",
       "language=slo&reflabel=R-1", "&LABEL==Q-1\n&REFLABEL==R-1\n&FORMLANGUAGE==slo\nname==Ana\n",
       "Stored Q-1.\n"},
      {"vars=FCDT\nform=order\ncatalog=orders order\nlabel=Q-\n", "", "language=slo",
       "&LABEL==Q-1\nname==Ana\n", "Stored Q-1.\n"},
      {"vars=FCDT\nform=order\ncatalog=orders order\nlabel=Q-\n",
       "recordLanguage=on\nlanguageFiles=on\n", "", "&LABEL==Q-1\n&FORMLANGUAGE==eng\nname==Ana\n",
       "Stored Q-1.\n"},
      {"vars=FCDT\nform=order\ncatalog=orders order\nlabel=Q-\n", "languageFiles=on\n",
       "language=slo", "&LABEL==Q-1\nname==Ana\n", "Shranjeno Q-1.\n"},
      {"vars=FCDT\nform=order\ncatalog=orders order\nlabel=Q-\ndata=;name\n", "recordLanguage=on\n",
       "language=slo", "", "Stored Q-1.\n"},
  };
  for (const Row& row : rows) {
    Site site(row.options, false);
    site.home.write("shop.grp", row.group);
    site.home.write("order.slo.msg", "Shranjeno <var &label>.\n");
    CgiResult result = site.post("name=Ana", row.query);
    EXPECT_EQ(bodyOf(result), row.answer) << row.options << row.query;
    std::string stored = site.home.read("orders.dat");
    if (*row.record)
      EXPECT_EQ(stored, std::string(row.record) + "\n") << row.options << row.query;
    else
      EXPECT_FALSE(has(stored, "slo")) << stored;  // delimited records keep their columns
  }
}

// With languageFiles=on a staff template of the request's language goes
// before the group's own.
TEST(Validation, StaffMailOfTheRequestLanguage) {
  struct Row {
    const char* options;
    const char* query;
    const char* subject;
  } rows[] = {{"languageFiles=on\n", "language=slo", "subject=Novo naročilo"},
              {"languageFiles=on\n", "", "subject=New order"},
              {"", "language=slo", "subject=New order"}};
  for (const Row& row : rows) {
    Site site(row.options, false);
    site.home.write("shop.grp", std::string(kGroup) + "response=staff@example.org order.tmt\n");
    site.home.write("order.tmt", "shop@example.org\nNew order\n<var name>\n");
    site.home.write("order.slo.tmt", "shop@example.org\nNovo naro&ccaron;ilo\n<var name>\n");
    ASSERT_EQ(site.post("name=Ana", row.query).status, 0);
    std::string mails;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(site.home.file("outbox"), error))
      if (entry.is_regular_file()) mails += readFile(entry.path().string());
    EXPECT_TRUE(has(mails, row.subject)) << row.options << row.query << mails;
  }
}

}  // namespace
