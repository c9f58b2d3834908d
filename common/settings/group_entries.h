// The entries of a group description file: forms, catalogs and responses, and
// the storage options that select how records are kept.
#pragma once

#include "common/text/list.h"
#include "common/text/text.h"

enum class InsertMode { Start = 0, End = 1, Sorted = 2 };
enum class ShareMode { None = 0, Private = 1, Common = 2 };

struct FormEntry {
  Text name;
  Text formFile;      // default name + ".htm"
  Text messageFile;   // default name + ".msg"
  Text templateFile;  // default name + ".tmt"
};

struct CatalogEntry {
  Text name;
  bool isSeries = false;  // declared with "*": a series of dated files
  Text seriesTag;         // parameter names after the "*", separated by ","
  List<Text> forms;       // never empty once read: defaults to the catalog's own name
  Text dataFile;          // default name + ".dat"
  Text description;       // for a series, a date format
};

// Sets the name of `entry` from a catalog word: "name*tag" declares a
// series whose tag names the parameters that choose its member.
inline void setCatalogName(CatalogEntry& entry, Text word) {
  long star = word.findChar('*');
  if (star >= 0) {
    entry.isSeries = true;
    entry.seriesTag = word.substring(star + 1);
    word.erase(star);
  }
  entry.name = word;
}

struct ResponseEntry {
  List<Text> recipients;
  Text templateFile;  // the response's mail template
  List<Text> forms;
  List<Text> catalogs;
};
