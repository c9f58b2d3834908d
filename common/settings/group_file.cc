// The group description file: its reader and writer side by side, and the
// counter line that both read and rewrite by one rule.
#include "common/settings/group_file.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "common/files/path.h"
#include "common/text/file_lines.h"

namespace {

// The VARS letters in the order of the automatic fields.
constexpr char kAutomaticFieldLetters[] = "LFCDTR";

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

// The position of the "=" of a setting line, or npos for a line that is
// no setting.
size_t settingEquals(std::string_view line) {
  if (line.empty() || !isAsciiLetter(line[0])) return std::string_view::npos;
  return line.find('=');
}

bool isCounterKey(std::string_view line, size_t eq) {
  return eq != std::string_view::npos && equalsIgnoreCase(line.substr(0, eq), "COUNT");
}

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

class GroupReader {
 public:
  explicit GroupReader(GroupDescription& group) : group_(group) {}

  void readLine(std::string_view line) {
    size_t eq = settingEquals(line);
    if (eq == std::string_view::npos) {
      if (!line.empty()) group_.otherLines.push_back(Text(line));
      return;
    }
    readSetting(Text(line.substr(0, eq)), Text(line.substr(eq + 1)));
  }

 private:
  void readSetting(const Text& key, const Text& value) {
    if (key.equalsIgnoreCase("COUNT")) {
      group_.count = leadingNumber(value);
    } else if (key.equalsIgnoreCase("DESCRIPTION")) {
      group_.description = value;
    } else if (key.equalsIgnoreCase("WORKDIR")) {
      readWorkDir(value);
    } else if (key.equalsIgnoreCase("DATA")) {
      group_.dataFields = value;
    } else if (key.equalsIgnoreCase("DEFAULTFORM")) {
      group_.defaultForm = value;
    } else if (key.equalsIgnoreCase("LABEL")) {
      group_.labelPrefix = value;
    } else if (!readStorageOption(key, value)) {
      readEntryOrVariable(key, value);
    }
  }

  bool readStorageOption(const Text& key, const Text& value) {
    if (key.equalsIgnoreCase("INDEX")) {
      group_.indexMode = parseShareMode(value, group_.indexMode);
    } else if (key.equalsIgnoreCase("CHANGES")) {
      group_.changesMode = parseShareMode(value, group_.changesMode);
    } else if (key.equalsIgnoreCase("LOG")) {
      if (value.equalsIgnoreCase("NO")) group_.logChanges = false;
      if (value.equalsIgnoreCase("YES")) group_.logChanges = true;
    } else if (key.equalsIgnoreCase("INSERT")) {
      readInsert(value);
    } else if (key.equalsIgnoreCase("VARS")) {
      readOmittedFields(value);
    } else {
      return false;
    }
    return true;
  }

  void readEntryOrVariable(const Text& key, const Text& value) {
    if (key.equalsIgnoreCase("FORM")) {
      readForm(value);
    } else if (key.equalsIgnoreCase("CATALOG")) {
      readCatalog(value);
    } else if (key.equalsIgnoreCase("RESPONSE")) {
      readResponse(value);
    } else {
      group_.variables.add(key, value, AddMode::Append);
    }
  }

  void readWorkDir(const Text& value) {
    group_.workDir = value;
    group_.workDir.replaceChar('\\', '/');
    if (group_.workDir.last() != '/') group_.workDir += '/';
  }

  // "start", "end", or "sort <field> [options]"; option letters n and r only
  // ever set their flags.
  void readInsert(const Text& value) {
    if (value.equalsIgnoreCase("START")) {
      group_.insertMode = InsertMode::Start;
      return;
    }
    if (value.equalsIgnoreCase("END")) {
      group_.insertMode = InsertMode::End;
      return;
    }
    long space = value.findChar(' ');
    if (space < 0 || !value.substring(0, space).equalsIgnoreCase("SORT")) return;
    Text rest = value.substring(space + 1);
    long second = rest.findChar(' ');
    Text field = second < 0 ? rest : rest.substring(0, second);
    Text options = second < 0 ? Text() : rest.substring(second + 1);
    if (field.empty()) return;
    group_.insertMode = InsertMode::Sorted;
    group_.sortField = field;
    if (options.contains('n')) group_.sortNumeric = true;
    if (options.contains('r')) group_.sortReverse = true;
  }

  // Upper-case letters only; several lines add up.
  void readOmittedFields(const Text& value) {
    for (AutomaticField field : kAutomaticFields)
      if (value.contains(kAutomaticFieldLetters[fieldIndex(field)]))
        group_.omittedFields.add(field);
  }

  void readForm(Text value) {
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
    group_.forms.push_back(std::move(form));
  }

  void readCatalog(Text value) {
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
    group_.catalogs.push_back(std::move(entry));
  }

  void readResponse(Text value) {
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
    group_.responses.push_back(std::move(response));
  }

  GroupDescription& group_;
};

class GroupWriter {
 public:
  GroupWriter(const GroupDescription& group, const Text& path) : group_(group), path_(path) {}

  Text text() {
    for (const Text& line : group_.otherLines) out_ += oneLine(line) + "\n";
    writeOptions();
    for (const FormEntry& form : group_.forms) writeForm(form);
    for (const CatalogEntry& entry : group_.catalogs) writeCatalog(entry);
    for (const ResponseEntry& response : group_.responses) writeResponse(response);
    for (const Param& variable : group_.variables)
      putLine(oneLine(variable.name), protectQuotedLetters(variable.value));
    if (!group_.labelPrefix.empty()) putLine("label", group_.labelPrefix);
    if (group_.count != 0) out_ += counterLineText(group_.count);
    return std::move(out_);
  }

 private:
  void putLine(std::string_view key, std::string_view value) {
    out_ += Text(key) + "=" + oneLine(value) + "\n";
  }

  void writeOptions() {
    if (!group_.description.empty()) putLine("description", group_.description);
    if (group_.workDir != directoryOf(path_)) putLine("workdir", group_.workDir);
    if (!group_.dataFields.empty()) putLine("data", group_.dataFields);
    writeInsert();
    writeOmittedFields();
    if (group_.indexMode == ShareMode::None) out_ += "index=none\n";
    if (group_.indexMode == ShareMode::Common) out_ += "index=common\n";
    if (group_.changesMode == ShareMode::Private) out_ += "changes=private\n";
    if (group_.changesMode == ShareMode::Common) out_ += "changes=common\n";
    if (group_.logChanges) out_ += "log=yes\n";
    if (!group_.defaultForm.empty()) putLine("defaultform", group_.defaultForm);
  }

  void writeInsert() {
    if (group_.insertMode == InsertMode::Start) out_ += "insert=start\n";
    if (group_.insertMode != InsertMode::Sorted) return;
    Text line = "sort " + group_.sortField;
    if (group_.sortNumeric || group_.sortReverse) line += ' ';
    if (group_.sortNumeric) line += 'n';
    if (group_.sortReverse) line += 'r';
    putLine("insert", line);
  }

  void writeOmittedFields() {
    if (group_.omittedFields.empty()) return;
    Text letters;
    for (AutomaticField field : kAutomaticFields)
      if (group_.omittedFields.contains(field))
        letters += kAutomaticFieldLetters[fieldIndex(field)];
    putLine("vars", letters);
  }

  void writeForm(const FormEntry& form) {
    Text line = form.name;
    line += form.formFile == form.name + ".htm" ? Text(" -") : " " + form.formFile;
    line += form.messageFile == form.name + ".msg" ? Text(" -") : " " + form.messageFile;
    line += form.templateFile == form.name + ".tmt" ? Text(" -") : " " + form.templateFile;
    dropTrailingPlaceholders(line);
    putLine("form", line);
  }

  void writeCatalog(const CatalogEntry& entry) {
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
    putLine("catalog", line);
  }

  // A response without recipients (its "@" file could not be read) is
  // written as "@", which reads back without recipients; an empty first
  // word would vanish and the template would become a recipient.
  void writeResponse(const ResponseEntry& response) {
    Text line = joined(response.recipients, ',');
    if (line.empty()) line = Text("@");
    line += response.templateFile.empty() ? Text(" -") : " " + response.templateFile;
    line += response.forms.empty() ? Text(" -") : " " + joined(response.forms, ',');
    line += response.catalogs.empty() ? Text(" -") : " " + joined(response.catalogs, ',');
    dropTrailingPlaceholders(line);
    putLine("response", line);
  }

  const GroupDescription& group_;
  const Text& path_;
  Text out_;
};

bool allDigits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// A series answers to its name followed by "*" (case ignored) and to its
// name in its own case followed by the digits of a member.
bool catalogMatches(const CatalogEntry& entry, std::string_view name) {
  if (entry.name.equalsIgnoreCase(name)) return true;
  if (!entry.isSeries) return false;
  std::string_view own = entry.name.view();
  if (name.size() == own.size() + 1 && name.back() == '*' &&
      equalsIgnoreCase(name.substr(0, own.size()), own))
    return true;
  return name.substr(0, own.size()) == own && allDigits(name.substr(own.size()));
}

}  // namespace

FormEntry* GroupDescription::findForm(std::string_view name) {
  for (FormEntry& form : forms)
    if (form.name.equalsIgnoreCase(name)) return &form;
  return nullptr;
}

CatalogEntry* GroupDescription::findCatalog(std::string_view name) {
  for (CatalogEntry& entry : catalogs)
    if (catalogMatches(entry, name)) return &entry;
  return nullptr;
}

GroupDescription parseGroupFile(std::string_view content, const Text& path) {
  GroupDescription group;
  group.workDir = directoryOf(path);
  GroupReader reader(group);
  forEachLine(content, [&](std::string_view line, size_t, size_t) { reader.readLine(line); });
  return group;
}

Text groupFileText(const GroupDescription& group, const Text& path) {
  return GroupWriter(group, path).text();
}

CounterLine findCounterLine(std::string_view content) {
  CounterLine counter;
  forEachLine(content, [&](std::string_view line, size_t start, size_t length) {
    size_t eq = settingEquals(line);
    if (!isCounterKey(line, eq)) return;
    counter = CounterLine{true, start, length, leadingNumber(line.substr(eq + 1))};
  });
  return counter;
}

Text counterLineText(long count) { return Text::format("count=%ld\n", count); }

Text withCounter(std::string_view content, long count) {
  CounterLine counter = findCounterLine(content);
  if (counter.found)
    return Text(content.substr(0, counter.start)) + counterLineText(count) +
           content.substr(counter.start + counter.length);
  Text out(content);
  if (!out.empty() && out.last() != '\n') out += '\n';
  return out + counterLineText(count);
}

Text takeNextLabel(GroupDescription& group) {
  ++group.count;
  return group.labelPrefix + Text::fromInt(group.count, 0);
}
