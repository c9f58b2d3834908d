// The help page or the "not found" page, with the links back to the other
// languages, the administration page and the contents.
#include "manual/manual_application.h"

#include "common/cgi/cgi_streams.h"
#include "common/files/path.h"
#include "manual/manual_texts.h"

using namespace manualTexts;

void ManualApplication::run() {
  const HelpPage* page = findHelpPage(pathInfo().view());
  if (!page || !isPlainAddress(requestVariable("REQUEST_URI").view())) {
    writeNotFound();
    return;
  }
  // The page's one script (see manual/help_text.py), admitted by the digest
  // worked out when the page table was made.
  allowPageScript(page->scriptSource);
  writeHeader("text/html");
  writePage(*page);
}

void ManualApplication::writePage(const HelpPage& page) {
  const HelpPageText& text = helpPageText(page, currentLanguage().shortName);
  writeFrameStart(Markup(text.title));
  writeNavigation(page.name);
  print("<h1>%s</h1>\n", Markup(text.title));
  writeBody(text.body);
  writeDirect(Text::format("<script>%s</script>\n", page.script));
  writeDirect("</body>\n</html>\n");
}

// The page is named by nothing the request sent: the address may hold
// anything, and relative links from it could lead anywhere, so every link
// here starts at the program itself.
void ManualApplication::writeNotFound() {
  setStatus("404 Not Found");
  writeHeader("text/html");
  writeFrameStart(text(kNotFoundTitle));
  print("<h1>%s</h1>\n<p>%s</p>\n", text(kNotFoundTitle), text(kNotFound));
  Text self = CGIhome() + program();
  print("<p><a href=\"%s/Pindex.htm%s\">%s</a>", self, languageQuery(), text(kContents));
  print(" | <a href=\"%szorvik.exe%s\">%s</a></p>\n", CGIhome(), languageQuery(),
        text(kAdministration));
  writeDirect("</body>\n</html>\n");
}

void ManualApplication::writeFrameStart(const Markup& title) {
  print("<html lang=\"%s\">\n", Markup(helpLanguageCode(currentLanguage().shortName)));
  writeHead(title);
  writeDirect("<body>\n");
}

// The same page in each other language, the administration page and the
// contents, in the language of the page.
void ManualApplication::writeNavigation(const char* pageName) {
  writeDirect("<p>");
  for (int i = 0; i < kLanguageCount; ++i) {
    if (i == currentIndex()) continue;
    print("<a href=\"%s.htm?language=%s\" lang=\"%s\">%s</a> | ", Markup(pageName),
          Markup(kLanguages[i].shortName), Markup(helpLanguageCode(kLanguages[i].shortName)),
          Markup(kLanguageName.pick(i)));
  }
  print("<a href=\"%szorvik.exe%s\">%s</a>", CGIhome(), languageQuery(), text(kAdministration));
  print(" | <a href=\"Pindex.htm%s\">%s</a></p>\n", languageQuery(), text(kContents));
}

// The body with the request's language query at each link to another page.
void ManualApplication::writeBody(const char* body) {
  std::string_view rest = body;
  for (size_t mark; (mark = rest.find(kLanguageQueryMark)) != std::string_view::npos;) {
    write(Markup(rest.substr(0, mark)));
    print("%s", languageQuery());
    rest.remove_prefix(mark + 1);
  }
  write(Markup(rest));
}
