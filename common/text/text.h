// Text: the byte string that every layer of the system keeps its strings in.
// A thin class over std::string that adds the searches, ranges and comparisons
// whose exact results the rest of the system relies on.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

// Rules of Text:
//  - Characters are bytes; case rules touch ASCII letters only, bytes above 127
//    never change case and never equal a different byte.
//  - Positions count from 0. A count of -1 means "to the end"; a count past the
//    end means the same. Searches return -1 when nothing is found.
//  - Every operation is total: no position or count makes it fail.
//
//   Text t("abcdef");
//   t.erase(2, -1);            // t is "ab"
//   t.findText("", 0);         // -1: an empty pattern is never found
class Text {
 public:
  Text() = default;
  Text(const char* s) : s_(s ? s : "") {}
  Text(std::string s) : s_(std::move(s)) {}
  Text(std::string_view s) : s_(s) {}
  Text(const char* s, size_t n) : s_(s, n) {}

  Text& operator=(const char* s) {
    s_ = s ? s : "";
    return *this;
  }
  Text& operator=(char c) {
    s_.assign(1, c);
    return *this;
  }

  const char* c_str() const { return s_.c_str(); }
  const std::string& str() const { return s_; }
  std::string& str() { return s_; }
  operator std::string_view() const { return s_; }
  std::string_view view() const { return s_; }
  long length() const { return static_cast<long>(s_.size()); }
  bool empty() const { return s_.empty(); }
  char operator[](long i) const { return s_[static_cast<size_t>(i)]; }
  char& operator[](long i) { return s_[static_cast<size_t>(i)]; }
  char last() const { return s_.empty() ? '\0' : s_.back(); }

  Text& operator+=(const Text& t) {
    s_ += t.s_;
    return *this;
  }
  Text& operator+=(std::string_view t) {
    s_ += t;
    return *this;
  }
  Text& operator+=(const char* t) {
    if (t) s_ += t;
    return *this;
  }
  Text& operator+=(char c) {
    s_ += c;
    return *this;
  }

  friend Text operator+(Text a, std::string_view b) {
    a.s_ += b;
    return a;
  }
  friend Text operator+(Text a, const Text& b) {
    a.s_ += b.s_;
    return a;
  }
  friend Text operator+(Text a, const char* b) {
    a += b;
    return a;
  }
  friend Text operator+(Text a, char b) {
    a.s_ += b;
    return a;
  }
  friend Text operator+(const char* a, const Text& b) { return Text(a) += b; }
  friend Text operator+(char a, const Text& b) {
    Text t;
    t += a;
    t += b;
    return t;
  }
  friend bool operator==(const Text& a, const Text& b) { return a.s_ == b.s_; }
  friend bool operator==(const Text& a, std::string_view b) { return a.s_ == b; }
  friend bool operator==(const Text& a, const std::string& b) { return a.s_ == b; }
  friend bool operator==(const Text& a, const char* b) { return a.s_ == (b ? b : ""); }
  friend bool operator<(const Text& a, const Text& b) { return a.s_ < b.s_; }

  void toUpper();
  void toLower();
  void reverse();

  Text substring(long position, long count = -1) const;
  void erase(long position, long count = -1);
  void insertAt(long position, std::string_view text);
  void replaceRange(long position, long count, std::string_view text);

  long findChar(char c, long from = 0) const;
  long findLastChar(char c) const;
  long findText(std::string_view pattern, long from = 0, bool caseSensitive = true) const;
  bool matchesAt(long position, std::string_view pattern, bool caseSensitive = true) const;
  bool startsWith(std::string_view pattern, bool caseSensitive = true) const {
    return matchesAt(0, pattern, caseSensitive);
  }
  bool contains(char c) const { return s_.find(c) != std::string::npos; }
  bool contains(std::string_view pattern) const { return findText(pattern) >= 0; }
  bool equalsIgnoreCase(std::string_view other) const;

  void replaceChar(char from, char to, long first = 0, long last = -1);
  void removeChar(char c);
  // Leading c's go, inner runs of c become one, a trailing c goes.
  void squeeze(char c);

  // Reads up to a line feed; the line feed and a CR before it are not kept.
  // Returns the length read, or -1 when the file was already at its end.
  long readLine(std::FILE* file);
  // Reads up to n bytes (n = -1: to the end) exactly as they are, carriage
  // returns included (a request body is binary). Returns the length read.
  long readBytes(std::FILE* file, long n);

  // One argument of format(): a string for "%s", a number for "%d" and "%ld".
  struct Arg {
    Arg(const char* s) : text(s ? s : "") {}
    Arg(const std::string& s) : text(s) {}
    Arg(std::string_view s) : text(s) {}
    Arg(const Text& t) : text(t.s_) {}
    Arg(int n) : number(n), isNumber(true) {}
    Arg(long n) : number(n), isNumber(true) {}
    std::string_view text;
    long number = 0;
    bool isNumber = false;
  };
  // Knows "%s", "%d", "%ld" and "%%". A "%" before any other character is
  // written with that character; a "%" at the very end is dropped.
  static Text format(std::string_view pattern, std::initializer_list<Arg> args);
  template <typename... A>
  static Text format(std::string_view pattern, const A&... args) {
    return format(pattern, {Arg(args)...});
  }
  // Decimal digits padded with zeros to `width` characters, sign included.
  static Text fromInt(long value, int width = 0);

 private:
  std::string s_;
};

// ASCII-only case folding, the comparison every name in the system uses.
inline char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
bool equalsIgnoreCase(std::string_view a, std::string_view b);
inline bool isBlank(char c) { return c == ' ' || c == '\t'; }
// `text` without the spaces and tabs at either end.
std::string_view trimBlanks(std::string_view text);
// The leading decimal number of `text` (optional blanks and sign), 0 if none.
long leadingNumber(std::string_view text);
