// Language selection, page writers and the error page.
#include "common/cgi/cgi_page.h"

#include "common/cgi/cgi_streams.h"
#include "common/cgi/json_answer.h"
#include "common/cgi/plain_text.h"
#include "common/cgi/request_ended.h"

CgiPage::CgiPage(const char* contentType, const char* homeVariable)
    : CgiPage(RequestContext::fromProcess(), contentType, homeVariable) {}

CgiPage::CgiPage(const RequestContext& context, const char* contentType, const char* homeVariable)
    : CgiRequest(context, contentType, homeVariable) {
  selectLanguage(kLanguages[0].shortName);
  setLanguageParam(queryParams().value("language"));
}

void CgiPage::write(const Markup& markup) {
  const Language& language = currentLanguage();
  if (language.codingCount == 0) {
    writeDirect(markup.view());
    return;
  }
  writeDirect(convertEntitiesForPage(markup.view(), choices_[currentIndex_].currentCoding));
}

std::string_view CgiPage::currentCharsetName() const {
  const Language& language = currentLanguage();
  int charset = choices_[currentIndex_].currentCharset;
  return charset >= 0 && charset < language.charsetCount ? language.charsetNames[charset] : "";
}

void CgiPage::writeMeta() const {
  std::string_view charset = currentCharsetName();
  if (charset.empty()) return;
  writeDirect(Text::format("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=%s\">\n",
                           std::string(charset).c_str()));
}

void CgiPage::writeHead(const Markup& title) {
  writeDirect("<head>\n");
  print("<title>%s</title>\n", title);
  writeMeta();
  writeDirect("</head>\n");
}

void CgiPage::errorPage(const Markup& title, const Markup& message) {
  writeDirect("<html>\n");
  writeHead(title);
  writeDirect("<body>\n");
  print("<h1>%s</h1>\n", title);
  writeDirect("<hr>\n<b>");
  write(message);
  writeDirect("</b>\n<hr>\n");
  writeErrorFooter();
  writeDirect("</body>\n</html>\n");
}

void CgiPage::endWith(const MessageTable& title, const MessageTable& table, const Markup& message) {
  if (answersJson()) {
    writeJsonError(table, message);
  } else {
    writeHeader("text/html");
    errorPage(text(title), message);
  }
  std::fflush(output());
  throw RequestEnded{1};
}

// The status of a refusal stays; any other error gets the program's status
// for its message, since a script reads the status before the object.
void CgiPage::writeJsonError(const MessageTable& table, const Markup& message) {
  if (!hasStatus()) setStatus(jsonErrorStatus(table));
  writeHeader(kJsonContentType);
  writeDirect(
      JsonObject().addBool("ok", false).addString("error", plainText(message.view())).text());
}

void CgiPage::selectLanguage(std::string_view name) {
  int i = findLanguage(name);
  if (i < 0) return;
  currentIndex_ = i;
  const Language& language = kLanguages[i];
  variables().add("&language", language.shortName, AddMode::Replace);
  variables().remove("&coding", "");
  variables().remove("&charset", "");
  variables().remove("&metacharset", "");
  if (language.codingCount > 0) selectCoding(i, language.codingNames[choices_[i].currentCoding]);
  if (language.charsetCount > 0) {
    int charset = choices_[i].currentCharset;
    selectCharset(i, charset >= 0 ? language.charsetNames[charset] : "");
  }
}

void CgiPage::selectCoding(int language, std::string_view name) {
  int i = kLanguages[language].findCoding(name);
  if (i < 0) return;
  choices_[language].currentCoding = i;
  if (language == currentIndex_)
    variables().add("&coding", kLanguages[language].codingNames[i], AddMode::Replace);
}

void CgiPage::selectCharset(int language, std::string_view name) {
  const Language& row = kLanguages[language];
  int i = row.findCharset(name);
  choices_[language].currentCharset = i;
  if (language != currentIndex_) return;
  if (i < 0) {
    variables().remove("&charset", "");
    variables().remove("&metacharset", "");
    if (row.charsetCount > 0) variables().add("&charset", "-", AddMode::Replace);
    return;
  }
  variables().add("&charset", row.charsetNames[i], AddMode::Replace);
  // Stored as the meta line itself: the quote before "Content-Type" must not be
  // read as a quote-letter pair, or templates that copy it would break.
  Text meta = Text::format("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=%s\">",
                           row.charsetNames[i]);
  variables().setVerbatim("&metacharset", meta);
}

void CgiPage::setLanguageParam(std::string_view value) {
  languageParam_ = Text(value);
  variables().add("&languageparam", value, AddMode::Replace);
  if (value.empty()) return;
  Text rest(value);
  rest += ',';
  for (int item = 1; item <= 3; ++item) {
    long comma = rest.findChar(',');
    if (comma < 0) break;
    Text name = rest.substring(0, comma);
    rest.erase(0, comma + 1);
    if (name.empty()) continue;
    if (item == 1) selectLanguage(name);
    if (item == 2) selectCoding(currentIndex_, name);
    if (item == 3) selectCharset(currentIndex_, name);
  }
}

Text CgiPage::languageQuery() const {
  return languageParam_.empty() ? Text() : Text("?language=") + percentEncode(languageParam_);
}
