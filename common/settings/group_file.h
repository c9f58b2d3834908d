// The group description file, reader and writer side by side, with its
// counter line; GroupDescription is what one file holds.
//
// The bytes: lines ended by a line feed (a carriage return before it is
// dropped). A line is a setting only when it begins with an ASCII letter and
// holds "="; the key is the text before the first "=", compared ignoring
// case and never trimmed, the value all text after it:
//
//   description=Orders of the shop
//   workdir=/srv/data/shop/           default: the group file's directory
//   data=;name;city                   delimiter, then field names (empty: item form)
//   insert=sort price nr              start, end, or sort FIELD [n][r]
//   vars=CT                           automatic fields left out, letters LFCDTR
//   index=common   changes=private   log=yes
//   defaultform=order
//   form=order order.htm - order.tmt  name, form file, answer page, template
//   catalog=visits*year visit log[YYYY].dat Visits of -Y
//   response=a@x,@list.txt mail.tmt order orders
//   title=My shop                     any other key: a group variable
//   label=ORD-
//   count=41
//
// Every other line but an empty one (a comment, a line without "=") is kept:
// the writer puts those lines first, then the settings in the order above,
// "-" standing for a default file name, so that a written file reads back to
// the same group.
//
// The counter line holds the number of the last label given out. The
// counter is the leading number of the value of the LAST line whose key is
// "count" in any letter case (0 without one); advancing it rewrites that
// same line as "count=N", so a line added by hand after an older one wins
// for reading and writing alike.
#pragma once

#include <string_view>

#include "common/settings/automatic_fields.h"
#include "common/settings/group_entries.h"
#include "common/text/list.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

struct GroupDescription {
  Text description;
  Text workDir;  // "/" separators, ends with "/"
  List<FormEntry> forms;
  Text defaultForm;
  List<CatalogEntry> catalogs;
  List<ResponseEntry> responses;
  Text dataFields;  // the DATA value: empty for the item form
  InsertMode insertMode = InsertMode::End;
  Text sortField;
  bool sortNumeric = false;
  bool sortReverse = false;
  AutomaticFields omittedFields;
  Text labelPrefix;
  long count = 0;
  ShareMode indexMode = ShareMode::Private;
  ShareMode changesMode = ShareMode::None;
  bool logChanges = false;
  ParamList variables;    // every other key; a repeated one keeps its first value
  List<Text> otherLines;  // the lines that are no setting (empty ones aside), as read

  // The first form or catalog of that name (see the file's rules), or null.
  FormEntry* findForm(std::string_view name);
  CatalogEntry* findCatalog(std::string_view name);
};

// The group that `content`, the bytes of the group file at `path`, holds.
// Empty content gives the defaults, with the file's directory as workDir.
// A response's "@file" of recipients is read here.
GroupDescription parseGroupFile(std::string_view content, const Text& path);

// The bytes of a group file at `path` that reads back to `group`. Values
// are kept on their lines (a line break becomes a space).
Text groupFileText(const GroupDescription& group, const Text& path);

// Where the counter line lies in the bytes of a group file: its start, its
// length with its line end, and its number. None when there is no such line.
struct CounterLine {
  bool found = false;
  size_t start = 0;
  size_t length = 0;
  long count = 0;
};
CounterLine findCounterLine(std::string_view content);

// The counter line as it is written.
Text counterLineText(long count);

// The bytes of a group file with the counter set to `count`: its counter
// line replaced, or without one "count=N" added at the end (on a line of
// its own). Every other byte stays as it is.
Text withCounter(std::string_view content, long count);

// Advances the counter and returns the new label: the prefix and the number.
Text takeNextLabel(GroupDescription& group);
