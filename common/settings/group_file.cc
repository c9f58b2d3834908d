// The group description file: its reader and writer side by side, so a file
// this system writes reads back to the same group.
#include <sys/stat.h>

#include <cstring>

#include "common/files/path.h"
#include "common/settings/catalog_group.h"

namespace {

// Takes the next word off the front of `rest` (words end at a space; `rest`
// carries one space appended at its end).
Text takeWord(Text& rest) {
  long space = rest.findChar(' ');
  if (space < 0) {
    Text word = rest;
    rest = Text();
    return word;
  }
  Text word = rest.substring(0, space);
  rest.erase(0, space + 1);
  return word;
}

// Splits a ","-separated list, empty items included.
void appendItems(List<Text>& list, const Text& items) {
  Text rest = items + ",";
  long comma;
  while ((comma = rest.findChar(',')) >= 0) {
    list.push_back(rest.substring(0, comma));
    rest.erase(0, comma + 1);
  }
}

Text joined(const List<Text>& items, char separator) {
  Text out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += separator;
    out += items[i];
  }
  return out;
}

void dropTrailingPlaceholders(Text& value) {
  while (value.length() >= 2 && value.view().substr(value.str().size() - 2) == " -")
    value.erase(value.length() - 2);
}

ShareMode parseShareMode(const Text& value, ShareMode current) {
  if (value.equalsIgnoreCase("NONE")) return ShareMode::None;
  if (value.equalsIgnoreCase("PRIVATE")) return ShareMode::Private;
  if (value.equalsIgnoreCase("COMMON")) return ShareMode::Common;
  return current;
}

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

void put(std::FILE* out, const Text& text) { std::fwrite(text.c_str(), 1, text.str().size(), out); }

// One "key=value" line; the value is kept on that one line.
void putLine(std::FILE* out, std::string_view key, std::string_view value) {
  put(out, Text(key) + "=" + oneLine(value) + "\n");
}

}  // namespace

void CatalogGroup::resetGroup(const Text& name, const Text& path) {
  groupName = name;
  groupPath = path;
  description = defaultForm = dataFields = sortField = labelPrefix = Text();
  workDir = directoryOf(path);
  indexMode = ShareMode::Private;
  insertMode = InsertMode::End;
  changesMode = ShareMode::None;
  logChanges = omittedFields = sortReverse = sortNumeric = 0;
  count = 0;
  groupChanged = 0;
  groupVariables.clear();
}

void CatalogGroup::readGroup(const Text& name, const Text& path) {
  resetGroup(name, path);
  FilePtr file = openRead(path, OpenMode::Quiet);
  if (!file) return;
  Text line;
  while (line.readLine(file.get()) >= 0) readGroupLine(line);
  closeFile(file);
  variables().add("&group", groupName, AddMode::Replace);
  variables().add("&groupdesc", description, AddMode::Replace);
}

void CatalogGroup::readGroupLine(const Text& line) {
  if (line.empty() || !isAsciiLetter(line[0])) return;
  long eq = line.findChar('=');
  if (eq < 0) return;
  Text key = line.substring(0, eq);
  Text value = line.substring(eq + 1);
  if (key.equalsIgnoreCase("COUNT")) {
    count = leadingNumber(value);
  } else if (key.equalsIgnoreCase("DESCRIPTION")) {
    description = value;
  } else if (key.equalsIgnoreCase("WORKDIR")) {
    workDir = value;
    workDir.replaceChar('\\', '/');
    if (workDir.last() != '/') workDir += '/';
  } else if (key.equalsIgnoreCase("DATA")) {
    dataFields = value;
  } else if (key.equalsIgnoreCase("DEFAULTFORM")) {
    defaultForm = value;
  } else if (key.equalsIgnoreCase("LABEL")) {
    labelPrefix = value;
  } else if (key.equalsIgnoreCase("INDEX")) {
    indexMode = parseShareMode(value, indexMode);
  } else if (key.equalsIgnoreCase("CHANGES")) {
    changesMode = parseShareMode(value, changesMode);
  } else if (key.equalsIgnoreCase("LOG")) {
    if (value.equalsIgnoreCase("NO")) logChanges = 0;
    if (value.equalsIgnoreCase("YES")) logChanges = 1;
  } else if (key.equalsIgnoreCase("INSERT")) {
    readInsert(value);
  } else if (key.equalsIgnoreCase("VARS")) {
    for (int bit = 0; kOmittedLetters[bit]; ++bit)
      if (value.contains(kOmittedLetters[bit])) omittedFields |= 1 << bit;
  } else if (key.equalsIgnoreCase("FORM")) {
    readForm(value);
  } else if (key.equalsIgnoreCase("CATALOG")) {
    readCatalog(value);
  } else if (key.equalsIgnoreCase("RESPONSE")) {
    readResponse(value);
  } else {
    groupVariables.add(key, value, AddMode::Append);
  }
}

// "start", "end", or "sort <field> [options]"; option letters n and r only
// ever set their flags.
void CatalogGroup::readInsert(const Text& value) {
  if (value.equalsIgnoreCase("START")) {
    insertMode = InsertMode::Start;
    return;
  }
  if (value.equalsIgnoreCase("END")) {
    insertMode = InsertMode::End;
    return;
  }
  long space = value.findChar(' ');
  if (space < 0 || !value.substring(0, space).equalsIgnoreCase("SORT")) return;
  Text rest = value.substring(space + 1);
  long second = rest.findChar(' ');
  Text field = second < 0 ? rest : rest.substring(0, second);
  Text options = second < 0 ? Text() : rest.substring(second + 1);
  if (field.empty()) return;
  insertMode = InsertMode::Sorted;
  sortField = field;
  if (options.contains('n')) sortNumeric = 1;
  if (options.contains('r')) sortReverse = 1;
}

void CatalogGroup::readForm(Text value) {
  value.squeeze(' ');
  if (value.empty()) return;
  value += ' ';
  FormEntry form;
  form.name = takeWord(value);
  form.formFile = form.name + ".htm";
  form.messageFile = form.name + ".msg";
  form.templateFile = form.name + ".tmt";
  Text* files[] = {&form.formFile, &form.messageFile, &form.templateFile};
  for (Text* file : files) {
    Text word = takeWord(value);
    if (!word.empty() && word != "-") *file = word;
  }
  forms.push_back(std::move(form));
}

void CatalogGroup::readCatalog(Text value) {
  value.squeeze(' ');
  if (value.empty()) return;
  value += ' ';
  CatalogEntry entry;
  setCatalogName(entry, takeWord(value));
  entry.dataFile = entry.name + ".dat";
  Text formList = takeWord(value);
  if (!formList.empty()) {
    List<Text> items;
    appendItems(items, formList);
    for (Text& item : items) entry.forms.push_back(item == "-" ? entry.name : item);
  }
  Text file = takeWord(value);
  if (!file.empty() && file != "-") entry.dataFile = file;
  if (value.last() == ' ') value.erase(value.length() - 1);
  entry.description = value;
  if (entry.forms.empty()) entry.forms.push_back(entry.name);
  catalogs.push_back(std::move(entry));
}

namespace {

// An "@" recipients file: pieces of at most 199 characters, each ending at a
// line feed or at that limit, with all white space removed. Only an ordinary
// file is read: a device such as /dev/zero would never end, and every
// submission to the group would hang reading it.
void readRecipientsFile(const Text& path, List<Text>& recipients) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return;
  char piece[200];
  while (std::fgets(piece, sizeof piece, file)) {
    Text address;
    for (char* c = piece; *c; ++c)
      if (!std::strchr(" \t\n\r\v\f", *c)) address += *c;
    recipients.push_back(address);
  }
  std::fclose(file);
}

}  // namespace

void CatalogGroup::readResponse(Text value) {
  value.squeeze(' ');
  if (value.empty()) return;
  value += ' ';
  ResponseEntry response;
  Text recipients = takeWord(value);
  if (recipients.startsWith("@")) {
    readRecipientsFile(recipients.substring(1), response.recipients);
  } else {
    appendItems(response.recipients, recipients);
  }
  Text templateFile = takeWord(value);
  if (!templateFile.empty() && templateFile != "-") response.templateFile = templateFile;
  Text formList = takeWord(value);
  if (!formList.empty() && formList != "-") appendItems(response.forms, formList);
  Text catalogList = takeWord(value);
  if (!catalogList.empty() && catalogList != "-") appendItems(response.catalogs, catalogList);
  responses.push_back(std::move(response));
}

void CatalogGroup::writeGroup() {
  if (groupName.empty() || !groupChanged) return;
  groupChanged = 0;
  AtomicFile file;
  openReplacement(file, groupPath, privateTempPath(groupPath), groupPath);
  writeGroupTo(file.file());
  commitReplacement(file, groupPath);
}

void CatalogGroup::writeGroupTo(std::FILE* out) const {
  if (!description.empty()) putLine(out, "description", description);
  if (workDir != directoryOf(groupPath)) putLine(out, "workdir", workDir);
  if (!dataFields.empty()) putLine(out, "data", dataFields);
  if (insertMode == InsertMode::Start) put(out, "insert=start\n");
  if (insertMode == InsertMode::Sorted) {
    Text line = "sort " + sortField;
    if (sortNumeric || sortReverse) line += ' ';
    if (sortNumeric) line += 'n';
    if (sortReverse) line += 'r';
    putLine(out, "insert", line);
  }
  if (omittedFields) {
    Text letters;
    for (int bit = 0; kOmittedLetters[bit]; ++bit)
      if (omittedFields & (1 << bit)) letters += kOmittedLetters[bit];
    putLine(out, "vars", letters);
  }
  if (indexMode == ShareMode::None) put(out, "index=none\n");
  if (indexMode == ShareMode::Common) put(out, "index=common\n");
  if (changesMode == ShareMode::Private) put(out, "changes=private\n");
  if (changesMode == ShareMode::Common) put(out, "changes=common\n");
  if (logChanges) put(out, "log=yes\n");
  if (!defaultForm.empty()) putLine(out, "defaultform", defaultForm);
  for (const FormEntry& form : forms) {
    Text line = form.name;
    line += form.formFile == form.name + ".htm" ? Text(" -") : " " + form.formFile;
    line += form.messageFile == form.name + ".msg" ? Text(" -") : " " + form.messageFile;
    line += form.templateFile == form.name + ".tmt" ? Text(" -") : " " + form.templateFile;
    dropTrailingPlaceholders(line);
    putLine(out, "form", line);
  }
  for (const CatalogEntry& entry : catalogs) {
    Text line = entry.name;
    if (entry.isSeries) line += "*" + entry.seriesTag;
    line += ' ';
    for (size_t i = 0; i < entry.forms.size(); ++i) {
      if (i) line += ',';
      line += entry.forms[i] == entry.name ? Text("-") : entry.forms[i];
    }
    line += entry.dataFile == entry.name + ".dat" ? Text(" -") : " " + entry.dataFile;
    if (!entry.description.empty()) {
      line += " " + entry.description;
    } else {
      dropTrailingPlaceholders(line);
    }
    putLine(out, "catalog", line);
  }
  for (const ResponseEntry& response : responses) {
    // A response without recipients (its "@" file could not be read) is
    // written as "@", which reads back without recipients; an empty first
    // word would vanish and the template would become a recipient.
    Text line = joined(response.recipients, ',');
    if (line.empty()) line = Text("@");
    line += response.templateFile.empty() ? Text(" -") : " " + response.templateFile;
    line += response.forms.empty() ? Text(" -") : " " + joined(response.forms, ',');
    line += response.catalogs.empty() ? Text(" -") : " " + joined(response.catalogs, ',');
    dropTrailingPlaceholders(line);
    putLine(out, "response", line);
  }
  for (const Param& variable : groupVariables)
    putLine(out, oneLine(variable.name), protectQuotedLetters(variable.value));
  if (!labelPrefix.empty()) putLine(out, "label", labelPrefix);
  if (count != 0) put(out, Text::format("count=%ld\n", count));
}
