// Markup: page text that the program itself wrote (its tags, its message
// texts, the administrator's header), as opposed to outside text (requests,
// files, settings values) that a page must escape. The page writers take
// Markup as it is and escape everything else, so a page escapes by default.
#pragma once

#include <cstddef>
#include <string_view>

#include "common/text/text.h"

// Rules of Markup:
//  - A string literal is Markup (implicitly: the program wrote it); any other
//    text becomes Markup only through the explicit constructor, which says
//    that the program made it, or through format() and exactValue().
//  - format() knows what Text::format knows ("%s", "%d", "%ld", "%%"). A
//    Markup or string literal argument is written as it is, a number as its
//    digits, and every other text argument is outside text: escapeHtml.
//
//   Markup row = Markup::format("<td>%s</td>", posted);   // posted escaped
//   row += "\n";
class Markup {
 public:
  Markup() = default;
  template <size_t N>
  Markup(const char (&literal)[N]) : text_(literal) {}
  template <size_t N>
  Markup(char (&buffer)[N]) = delete;  // a filled buffer is not the program's text
  explicit Markup(std::string_view programText) : text_(programText) {}

  template <typename... A>
  static Markup format(const Markup& pattern, const A&... args) {
    return Markup(Text::format(pattern.view(), arg(args)...));
  }

  const Text& text() const { return text_; }
  std::string_view view() const { return text_.view(); }
  bool empty() const { return text_.empty(); }

  Markup& operator+=(const Markup& more) {
    text_ += more.text_;
    return *this;
  }
  friend Markup operator+(Markup a, const Markup& b) { return a += b; }
  friend bool operator==(const Markup& a, std::string_view b) { return a.text_ == b; }

 private:
  // The arguments of format(): what is written as it is, and what is escaped.
  static const Text& arg(const Markup& markup) { return markup.text_; }
  template <size_t N>
  static const char* arg(const char (&literal)[N]) {
    return literal;
  }
  template <size_t N>
  static const char* arg(char (&buffer)[N]) = delete;
  static Text arg(std::string_view outside);
  static int arg(int number) { return number; }
  static long arg(long number) { return number; }

  Text text_;
};

// An outside value that must reach the browser byte for byte: a form field's
// value or a textarea's content that a save posts back, an address with "&"
// between its parameters, a value shown beside the fields that hold it. "&"
// is escaped too (escapeAttribute), so neither the browser nor the page's
// coding conversion reads an entity name in it.
Markup exactValue(std::string_view value);
