// ParamList: the ordered name/value list behind parameters, variables, the
// group list of the settings and group variables. Names are unique and compare
// ignoring ASCII case; a repeated name collects further values.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "common/text/list.h"
#include "common/text/text.h"

struct Param {
  Text name;          // as first added, case kept
  Text value;         // the current value
  List<Text> further; // later values of the same name, in order
};

enum class AddMode { Replace, Append };

// Values are normalised when stored: quote-letter pairs become entity names
// and carriage returns are removed. Lookups go through a case-folded index
// beside the list, so a request with many fields is not a linear scan per name.
class ParamList {
 public:
  const Param* find(std::string_view name) const;
  Param* find(std::string_view name);
  void add(std::string_view name, std::string_view value, AddMode mode);
  // Sets the current value exactly as given, without normalisation.
  void setVerbatim(std::string_view name, std::string_view value);
  // Inserts a new entry before position `at` (at the end when past it);
  // unlike add() it does not look for an entry of the same name.
  void insertBefore(size_t at, std::string_view name, std::string_view value);
  // Position 0 is the current value, k >= 1 the k-th further value.
  Text value(std::string_view name, long position = 0) const;
  bool contains(std::string_view name, std::string_view value) const;
  void remove(std::string_view name, std::string_view value);
  void clear();

  bool empty() const { return entries_.empty(); }
  size_t size() const { return entries_.size(); }
  List<Param>::const_iterator begin() const { return entries_.begin(); }
  List<Param>::const_iterator end() const { return entries_.end(); }
  const Param& operator[](size_t i) const { return entries_[i]; }

 private:
  static std::string key(std::string_view name);
  void reindex();

  List<Param> entries_;
  std::unordered_map<std::string, size_t> index_;
};

// A ParamList of variables, names beginning with "&".
using VariableTable = ParamList;

// Turns "c, "s, "z, "C, "S, "Z into entity names and "" into one quote.
void expandQuotedLetters(Text& text);
// "+" becomes a space, %XX the byte it names; a "%" without two hex digits is dropped.
void urlDecode(Text& text);
// Decodes name=value items separated by `separator` into `list` (Append).
void parseParams(std::string_view text, char separator, ParamList& list);
