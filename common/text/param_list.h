// ParamList: the ordered name/value list behind parameters, variables, the
// group list of the settings and group variables. Names are unique and compare
// ignoring ASCII case; a repeated name collects further values.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "common/text/list.h"
#include "common/text/text.h"

struct Param {
  Text name;           // as first added, case kept
  Text value;          // the current value
  List<Text> further;  // later values of the same name, in order
};

enum class AddMode { Replace, Append };

// Values are normalised when stored: quote-letter pairs become entity names
// and carriage returns are removed. Lookups go through an ordered index beside
// the list, so a request with many fields is not a linear scan per name; a
// tree rather than a hash keeps that logarithmic whatever names a client picks.
//
//   ParamList list;
//   list.add("a", "1", AddMode::Append);
//   list.add("A", "2", AddMode::Append);   // same entry: value 1, further [2]
//   list.value("a", 1);                    // "2"
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
  // Removes every entry for which `drop` is true, in one pass.
  template <typename Predicate>
  void removeIf(Predicate drop) {
    std::erase_if(entries_, drop);
    reindex();
  }
  void clear();

  bool empty() const { return entries_.empty(); }
  size_t size() const { return entries_.size(); }
  List<Param>::const_iterator begin() const { return entries_.begin(); }
  List<Param>::const_iterator end() const { return entries_.end(); }
  const Param& operator[](size_t i) const { return entries_[i]; }

 private:
  // Orders names by their upper-cased ASCII bytes, so equal names ignoring
  // case share one key; lookups take a string_view without a copy.
  struct NameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  void reindex();
  void appendEntry(std::string_view name, Text value);

  List<Param> entries_;
  std::map<std::string, size_t, NameLess> index_;  // name as first added -> position
};

// A ParamList of variables, names beginning with "&".
using VariableTable = ParamList;

// Turns "c, "s, "z, "C, "S, "Z into entity names and "" into one quote.
void expandQuotedLetters(Text& text);
// The inverse, for a value written to a file that is read back through
// expandQuotedLetters: a quote that would start a pair is doubled, so the
// value reads back as it was stored.
Text protectQuotedLetters(std::string_view text);
// "+" becomes a space, %XX the byte it names; a "%" without two hex digits is dropped.
void urlDecode(Text& text);
// The inverse for a part of a URL, its path or its query alike: letters,
// digits and "-_.~," stay, every other byte (a space too) becomes %XX. The
// result is safe inside an HTML attribute.
Text percentEncode(std::string_view text);
// Bounds of one decoding; the defaults bound nothing. An item is any
// non-empty text between separators, a field or not; lengths are counted
// after URL decoding.
struct ParamLimits {
  size_t items = SIZE_MAX;
  size_t nameLength = SIZE_MAX;
  size_t valueLength = SIZE_MAX;
};
// Decodes name=value items separated by `separator` into `list` (Append).
// Stops at the first item over `limits` and returns false, leaving the
// items before it in `list`.
bool parseParams(std::string_view text, char separator, ParamList& list,
                 const ParamLimits& limits = {});
