// CgiPage: the request plus the page language (language, coding and charset
// from the "language" parameter) and the writers through which every page is
// produced, including the error page that ends a request.
#pragma once

#include <array>

#include "common/cgi/cgi_request.h"
#include "common/cgi/markup.h"
#include "common/cgi/message_table.h"
#include "common/language/language.h"

class CgiPage : public CgiRequest {
 public:
  CgiPage(const RequestContext& context, const char* contentType, const char* homeVariable);
  CgiPage(const char* contentType, const char* homeVariable);

  // Formats (see Markup::format: outside text arguments are escaped, Markup
  // and string literals are not) and writes through the current coding.
  template <typename... A>
  void print(const Markup& format, const A&... args) {
    write(Markup::format(format, args...));
  }
  // Writes markup through the current coding conversion, unformatted. No
  // coding adds a quote: values are escaped before they are converted, and a
  // letter whose coding holds one (tex) must not undo that.
  void write(const Markup& markup);

  virtual void writeHead(const Markup& title);
  void errorPage(const Markup& title, const Markup& message) override;

  // Writes the error page for the message in the current language and ends the
  // request with exit status 1 (by throwing RequestEnded). Never returns.
  // A request that answers JSON gets {"ok":false,"error":...} instead.
  // The arguments are formatted as print formats them: names and paths that
  // often come straight from the request (an unknown group in the URL, say)
  // are escaped.
  template <typename... A>
  [[noreturn]] void fatal(const MessageTable& message, const A&... args) {
    endWith(messages::kErrorTitle, message, Markup::format(text(message), args...));
  }
  // The same with the warning title.
  template <typename... A>
  [[noreturn]] void warning(const MessageTable& message, const A&... args) {
    endWith(messages::kWarningTitle, message, Markup::format(text(message), args...));
  }
  // The text of `message` in the current language: the program's own markup.
  Markup text(const MessageTable& message) const { return Markup(message.pick(currentIndex_)); }

  void selectLanguage(std::string_view name);
  void selectCoding(int language, std::string_view name);
  void selectCharset(int language, std::string_view name);
  void setLanguageParam(std::string_view value);

  const Language& currentLanguage() const { return kLanguages[currentIndex_]; }
  // The charset the current language declares ("ISO-8859-2"), empty for none:
  // the charset the visitor's page was shown and posted in.
  std::string_view currentCharsetName() const;
  int currentIndex() const { return currentIndex_; }
  const LanguageChoice& choice(int language) const { return choices_[language]; }
  const Text& languageParam() const { return languageParam_; }
  // "?language=..." for links, empty when the request named no language. The
  // value is URL-encoded, so it can neither split the query nor leave an
  // attribute.
  Text languageQuery() const;

 protected:
  void writeMeta() const;
  // Written between the message and the end of an error page; the
  // application layer puts the administrator's contact line there.
  virtual void writeErrorFooter() {}

 private:
  // `message` is the formatted text of `table`.
  [[noreturn]] void endWith(const MessageTable& title, const MessageTable& table,
                            const Markup& message);
  void writeJsonError(const MessageTable& table, const Markup& message);

  Text languageParam_;
  std::array<LanguageChoice, kLanguageCount> choices_{};
  int currentIndex_ = 0;
};
