// CgiPage: the language, coding and charset chosen by the "language"
// parameter, the variables that publish the choice, the page writers and the
// error page that ends a request.
#include "common/cgi/cgi_page.h"

#include <gtest/gtest.h>

#include <string>

#include "common/cgi/cgi_streams.h"
#include "common/cgi/request_ended.h"
#include "support/cgi_environment.h"
#include "support/text_print.h"

namespace {

constexpr char kHeader[] = "Content-type: text/html\n\n";

// The language variables that are present, as "name=value;".
std::string languageVariables(const CgiPage& page) {
  std::string out;
  for (const char* name : {"&language", "&coding", "&charset", "&metacharset", "&languageparam"})
    if (const Param* p = page.variables().find(name))
      out += std::string(name) + "=" + p->value.str() + ";";
  return out;
}

constexpr MessageTable kSample{"Cannot find <tt>%s</tt> (%d)",
                               "Ne najdem <tt>%s</tt> (%d) &scaron;"};

// Runs `body` and returns the status that the RequestEnded it throws carries.
template <typename F>
int endedStatus(F body) {
  try {
    body();
  } catch (const RequestEnded& ended) {
    return ended.status;
  }
  return -1;
}

}  // namespace

TEST(CgiPageLanguage, NoParameterMeansEnglishUnconverted) {
  CgiEnvironment cgi;
  cgi.get("");
  CgiPage page("text/html", "KALDERHOME");
  EXPECT_EQ(languageVariables(page), "&language=eng;&languageparam=;");
  EXPECT_EQ(page.currentIndex(), 0);
  page.print("&ccaron;");
  EXPECT_EQ(cgi.output(), std::string(kHeader) + "&ccaron;");
}

TEST(CgiPageLanguage, SloveneStartsWithCszAndNoCharset) {
  CgiEnvironment cgi;
  cgi.get("language=slo");
  CgiPage page("text/html", "KALDERHOME");
  EXPECT_EQ(languageVariables(page), "&language=slo;&coding=csz;&charset=-;&languageparam=slo;");
  EXPECT_EQ(page.currentIndex(), 1);
}

TEST(CgiPageLanguage, NamesInAnyCaseAreWrittenAsTheTableHasThem) {
  CgiEnvironment cgi;
  cgi.get("language=SLO,CP1250,iso-8859-2");
  CgiPage page("text/html", "KALDERHOME");
  EXPECT_EQ(
      languageVariables(page),
      "&language=slo;&coding=cp1250;&charset=ISO-8859-2;"
      "&metacharset=<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-2\">;"
      "&languageparam=SLO,CP1250,iso-8859-2;");
}

TEST(CgiPageLanguage, MetaLineIsStoredWithoutQuoteLetterExpansion) {
  CgiEnvironment cgi;
  cgi.get("language=slo,,UTF-8");
  CgiPage page("text/html", "KALDERHOME");
  EXPECT_EQ(page.variables().value("&metacharset"),
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">");
}

TEST(CgiPageLanguage, UnknownCharsetClearsIt) {
  CgiEnvironment cgi;
  cgi.get("language=slo,latin2,xyz");
  CgiPage page("text/html", "KALDERHOME");
  EXPECT_EQ(languageVariables(page),
            "&language=slo;&coding=latin2;&charset=-;&languageparam=slo,latin2,xyz;");
  EXPECT_EQ(page.choice(1).currentCharset, -1);
}

TEST(CgiPageLanguage, EmptyCodingKeepsTheCoding) {
  CgiEnvironment cgi;
  cgi.get("language=slo,,xyz");
  CgiPage page("text/html", "KALDERHOME");
  EXPECT_EQ(languageVariables(page),
            "&language=slo;&coding=csz;&charset=-;&languageparam=slo,,xyz;");
}

TEST(CgiPageLanguage, EnglishIgnoresCodings) {
  CgiEnvironment cgi;
  cgi.get("language=eng,cp1250");
  CgiPage page("text/html", "KALDERHOME");
  EXPECT_EQ(languageVariables(page), "&language=eng;&languageparam=eng,cp1250;");
}

TEST(CgiPageLanguage, UnknownLanguageAndExtraItemsChangeNothing) {
  CgiEnvironment cgi;
  cgi.get("language=klingon,cp1250,UTF-8,more,items");
  CgiPage page("text/html", "KALDERHOME");
  EXPECT_EQ(languageVariables(page),
            "&language=eng;&languageparam=klingon,cp1250,UTF-8,more,items;");
}

TEST(CgiPageLanguage, PostedLanguageFieldIsIgnored) {
  CgiEnvironment cgi;
  cgi.post("language=slo");
  CgiPage page("text/html", "KALDERHOME");
  EXPECT_EQ(page.currentIndex(), 0);
  EXPECT_EQ(page.languageParam(), "");
}

TEST(CgiPageLanguage, LanguageInTheActionUrlOfAPost) {
  CgiEnvironment cgi;
  cgi.post("language=eng", "language=slo,cp852");
  CgiPage page("text/html", "KALDERHOME");
  EXPECT_EQ(page.currentIndex(), 1);
  EXPECT_EQ(page.variables().value("&coding"), "cp852");
}

TEST(CgiPageLanguage, SwitchingLanguagesRemovesAndRestoresVariables) {
  CgiEnvironment cgi;
  cgi.get("language=slo,tex,ISO-8859-1");
  CgiPage page("text/html", "KALDERHOME");
  page.selectLanguage("eng");
  EXPECT_EQ(languageVariables(page), "&language=eng;&languageparam=slo,tex,ISO-8859-1;");
  page.selectLanguage("Slo");
  EXPECT_EQ(page.variables().value("&coding"), "tex");
  EXPECT_EQ(page.variables().value("&charset"), "ISO-8859-1");
}

TEST(CgiPageLanguage, ChangingAnotherLanguageLeavesTheVariables) {
  CgiEnvironment cgi;
  cgi.get("");
  CgiPage page("text/html", "KALDERHOME");
  page.selectCoding(1, "utf8");
  page.selectCharset(1, "utf-8");
  EXPECT_EQ(languageVariables(page), "&language=eng;&languageparam=;");
  EXPECT_EQ(page.choice(1).currentCoding, 6);
  EXPECT_EQ(page.choice(1).currentCharset, 2);
}

TEST(CgiPageLanguage, CharsetOnlyItemKeepsTheLanguage) {
  CgiEnvironment cgi;
  cgi.get("language=,,UTF-8");
  CgiPage page("text/html", "KALDERHOME");
  page.setLanguageParam("slo");
  page.setLanguageParam(",,UTF-8");
  EXPECT_EQ(page.currentIndex(), 1);
  EXPECT_EQ(page.variables().value("&charset"), "UTF-8");
}

TEST(CgiPageLanguage, LanguageQueryIsUrlEncoded) {
  CgiEnvironment cgi;
  cgi.get("language=slo,cp1250%22%3E%3Cscript%3E");
  CgiPage page("text/html", "KALDERHOME");
  EXPECT_EQ(page.languageQuery(), "?language=slo,cp1250%22%3E%3Cscript%3E");
  page.setLanguageParam("");
  EXPECT_EQ(page.languageQuery(), "");
  EXPECT_EQ(page.variables().value("&languageparam"), "");
  EXPECT_NE(page.variables().find("&languageparam"), nullptr);
}

TEST(CgiPageWriters, PrintFormatsThenConverts) {
  CgiEnvironment cgi;
  cgi.get("language=slo,cp1250");
  CgiPage page("text/html", "KALDERHOME");
  cgi.clearOutput();
  page.print("<p>%s %d%%</p>", "&Scaron;tevec &ccaron;", 7);
  EXPECT_EQ(cgi.output(), "<p>\x8Atevec \xE8 7%</p>");
}

// In tex the letter c with a caron is a quote and c: the page writes the
// quote as a reference, so a visitor's letter cannot end the attribute it
// stands in, while the page's own quotes stay as they are.
TEST(CgiPageWriters, TexLettersNeverCloseAnAttribute) {
  CgiEnvironment cgi;
  cgi.get("language=slo,tex");
  CgiPage page("text/html", "KALDERHOME");
  cgi.clearOutput();
  page.print("<input value=\"%s\" title='%s'>", Text("&ccaron; onfocus=x"), Text("&cacute;"));
  EXPECT_EQ(cgi.output(), "<input value=\"&quot;c onfocus=x\" title='\\&#39;{c}'>");
}

TEST(CgiPageWriters, WriteHeadWithAndWithoutMeta) {
  CgiEnvironment cgi;
  cgi.get("language=slo,,ISO-8859-2");
  CgiPage page("text/html", "KALDERHOME");
  cgi.clearOutput();
  page.writeHead("Na&scaron;a stran");
  EXPECT_EQ(
      cgi.output(),
      "<head>\n<title>Nasa stran</title>\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-2\">\n</head>\n");
  cgi.clearOutput();
  page.selectCharset(1, "none");
  page.writeHead("T");
  EXPECT_EQ(cgi.output(), "<head>\n<title>T</title>\n</head>\n");
}

TEST(CgiPageErrors, FatalWritesTheErrorPageAndEndsWithStatusOne) {
  CgiEnvironment cgi;
  cgi.get("");
  CgiPage page("text/html", "KALDERHOME");
  EXPECT_EQ(endedStatus([&] { page.fatal(kSample, "orders", 3); }), 1);
  EXPECT_EQ(cgi.output(),
            std::string(kHeader) +
                "<html>\n<head>\n<title>Runtime Error</title>\n</head>\n<body>\n"
                "<h1>Runtime Error</h1>\n<hr>\n<b>Cannot find <tt>orders</tt> (3)</b>\n"
                "<hr>\n</body>\n</html>\n");
}

TEST(CgiPageErrors, WarningInSloveneWithConversion) {
  CgiEnvironment cgi;
  cgi.get("language=slo,latin2,ISO-8859-2");
  CgiPage page("text/html", "KALDERHOME");
  EXPECT_EQ(endedStatus([&] { page.warning(kSample, "x", -2); }), 1);
  EXPECT_EQ(cgi.output(),
            std::string(kHeader) +
                "<html>\n<head>\n<title>Opozorilo</title>\n"
                "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-2\">\n"
                "</head>\n<body>\n<h1>Opozorilo</h1>\n<hr>\n<b>Ne najdem <tt>x</tt> (-2) \xB9</b>\n"
                "<hr>\n</body>\n</html>\n");
}

TEST(CgiPageErrors, PartialPageIsFollowedByACompleteErrorPage) {
  CgiEnvironment cgi;
  cgi.get("");
  CgiPage page("text/html", "KALDERHOME");
  page.writeDirect("<html>\n");
  page.writeHead("Shop");
  page.writeDirect("<body>\n");
  page.print("<p>half");
  EXPECT_EQ(endedStatus([&] { page.fatal(kSample, "f", 1); }), 1);
  EXPECT_EQ(cgi.output(), std::string(kHeader) +
                              "<html>\n<head>\n<title>Shop</title>\n</head>\n<body>\n<p>half"
                              "<html>\n<head>\n<title>Runtime Error</title>\n</head>\n<body>\n"
                              "<h1>Runtime Error</h1>\n<hr>\n<b>Cannot find <tt>f</tt> (1)</b>\n"
                              "<hr>\n</body>\n</html>\n");
}

TEST(CgiPageErrors, ArgumentsFromTheRequestAreEscaped) {
  CgiEnvironment cgi;
  cgi.get("");
  CgiPage page("text/html", "KALDERHOME");
  cgi.clearOutput();
  EXPECT_EQ(endedStatus([&] { page.fatal(kSample, Text("<script>\"'&ccaron;"), 0); }), 1);
  std::string out = cgi.output();
  EXPECT_NE(out.find("<tt>&lt;script&gt;&quot;&#39;&ccaron;</tt>"), std::string::npos) << out;
  EXPECT_EQ(out.find("<script>"), std::string::npos);
}

TEST(CgiPageErrors, PercentInTheFormatConsumesNoArgument) {
  CgiEnvironment cgi;
  cgi.get("");
  CgiPage page("text/html", "KALDERHOME");
  cgi.clearOutput();
  constexpr MessageTable kPercent{"100%% of <tt>%s</tt>", "100%% od <tt>%s</tt>"};
  EXPECT_EQ(endedStatus([&] { page.fatal(kPercent, "disk"); }), 1);
  EXPECT_NE(cgi.output().find("<b>100% of <tt>disk</tt></b>"), std::string::npos);
}

TEST(CgiPageErrors, TextPicksTheCurrentLanguage) {
  CgiEnvironment cgi;
  cgi.get("language=slo");
  CgiPage page("text/html", "KALDERHOME");
  EXPECT_EQ(page.text(messages::kErrorTitle).view(), "Napaka med izvajanjem programa");
  page.selectLanguage("eng");
  EXPECT_EQ(page.text(messages::kErrorTitle).view(), "Runtime Error");
}

TEST(CgiRequestErrors, PlainErrorPageHasNoConversion) {
  CgiEnvironment cgi;
  cgi.get("language=slo");
  CgiRequest request("text/html", "KALDERHOME");
  cgi.clearOutput();
  request.errorPage("Title", "&ccaron; 100%");
  EXPECT_EQ(cgi.output(),
            "<html>\n<head>\n<title>Title</title>\n</head>\n<body>\n<h1>Title</h1>\n<hr>\n"
            "<b>&ccaron; 100%</b>\n<hr>\n</body>\n</html>\n");
}

TEST(CgiPageErrors, ErrorBeforeTheDeferredHeaderWritesAnHtmlHeader) {
  CgiEnvironment cgi;
  cgi.get("");
  CgiPage page(nullptr, "KALDERHOME");
  EXPECT_EQ(endedStatus([&] { page.fatal(kSample, "x", 1); }), 1);
  EXPECT_EQ(cgi.output(), std::string(kHeader) +
                              "<html>\n<head>\n<title>Runtime Error</title>\n</head>\n<body>\n"
                              "<h1>Runtime Error</h1>\n<hr>\n<b>Cannot find <tt>x</tt> (1)</b>\n"
                              "<hr>\n</body>\n</html>\n");
}
