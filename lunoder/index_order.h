// The order in which a rebuilt index lists the records of a catalog: the
// order that storing them one by one, in file order, would have given it.
// Insertion at the end keeps file order, insertion at the start puts the
// newest first, and sorted insertion sorts by the key with a new record
// before its equals (after them in reverse order). Sorted insertion finds
// its place by binary search, which needs exactly this order.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/settings/group_file.h"

class IndexOrder {
 public:
  // Takes the insertion mode and the sort options of `group`; entries go
  // to `out`, which must stay open until finish().
  IndexOrder(const GroupDescription& group, std::FILE* out);

  // The next entry line in file order, with the sort key of its record. In
  // file order it is written on at once; any other order keeps every entry
  // until finish().
  void add(std::string_view entry, std::string_view key);
  // Writes the entries still kept, in the index's order.
  void finish();

 private:
  // An entry line and its key, kept in one text for all entries: a
  // catalog of a million records holds a million of them.
  struct Entry {
    size_t at;  // of the line in keptText_, its key right after it
    uint32_t lineLength;
    uint32_t keyLength;
    double number;  // the key read as a number, for numeric order
  };
  std::string_view line(const Entry& entry) const;
  std::string_view key(const Entry& entry) const;
  void sortEntries();
  void flush();

  InsertMode mode_;
  bool numeric_;
  bool reverse_;
  std::FILE* out_;
  std::vector<Entry> entries_;
  std::string keptText_;
  Text pending_;  // entry lines not yet written
};
