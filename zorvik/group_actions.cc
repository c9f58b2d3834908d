// Applying the group details page's fields and buttons.
#include "zorvik/group_actions.h"

#include "common/access/audit_action.h"
#include "common/files/path.h"
#include "zorvik/admin_application.h"
#include "zorvik/admin_texts.h"
#include "zorvik/group_counter.h"
#include "zorvik/group_page.h"

using namespace adminTexts;

namespace {

// The blank-separated words of `text` (leading, trailing and repeated blanks ignored).
List<Text> words(Text text) {
  text.squeeze(' ');
  List<Text> result;
  if (text.empty()) return result;
  text += ' ';
  long space;
  while ((space = text.findChar(' ')) >= 0) {
    result.push_back(text.substring(0, space));
    text.erase(0, space + 1);
  }
  return result;
}

// Position of the first entry named `mark` (case ignored), or -1.
template <typename Entry>
long markedPosition(const List<Entry>& list, const Text& mark) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].name.equalsIgnoreCase(mark.view())) return static_cast<long>(i);
  return -1;
}

// Places a form or catalog: at the end without a mark or in an empty list,
// else before the marked entry; dropped when no entry bears the mark.
template <typename Entry>
void placeNamed(List<Entry>& list, Entry entry, const Text& mark) {
  if (mark.empty() || list.empty()) {
    list.push_back(std::move(entry));
    return;
  }
  long at = markedPosition(list, mark);
  if (at >= 0) list.insert(list.begin() + at, std::move(entry));
}

// The 1-based position that `mark` names in a list of `size`, or 0.
long responsePosition(const Text& mark, size_t size) {
  if (mark.empty() || mark.length() > 9) return 0;
  for (long i = 0; i < mark.length(); ++i)
    if (mark[i] < '0' || mark[i] > '9') return 0;
  long n = leadingNumber(mark.view());
  return n >= 1 && static_cast<size_t>(n) <= size ? n : 0;
}

Text catalogNameOf(const Text& nameField) {
  long star = nameField.findChar('*');
  return star < 0 ? nameField : nameField.substring(0, star);
}

Text fieldValue(const AdminApplication& app, const char* prefix, const Text& key) {
  return app.postParams().value((Text(prefix) + key).view());
}

// Rebuilds the four lists from the posted rows in page order; each mark
// follows its entry to a new name.
void applyLists(AdminApplication& app, GroupMarks& marks) {
  app.group.forms.clear();
  app.group.catalogs.clear();
  app.group.responses.clear();
  app.group.variables.clear();
  for (const Param& field : app.postParams()) {
    Text key = field.name.substring(6);
    if (field.name.startsWith("fname_")) {
      if (marks.form == key) marks.form = field.value;
      addFormEntry(app, field.value, fieldValue(app, "fhtm_", key), fieldValue(app, "fmsg_", key),
                   fieldValue(app, "ftmt_", key), Text());
    } else if (field.name.startsWith("bname_")) {
      // The name field of a series also holds "*" and the tag; the mark
      // follows the catalog's name, which ends before the "*".
      if (marks.catalog == key) marks.catalog = catalogNameOf(field.value);
      addCatalogEntry(app, field.value, fieldValue(app, "bform_", key),
                      fieldValue(app, "bfile_", key), fieldValue(app, "bdesc_", key), Text());
    } else if (field.name.startsWith("raddr_")) {
      addResponseEntry(app, field.value, fieldValue(app, "rtmt_", key),
                       fieldValue(app, "rform_", key), fieldValue(app, "rcat_", key), Text());
    } else if (field.name.startsWith("vname_")) {
      if (marks.variable == key) marks.variable = field.value;
      addGroupVariable(app, field.value, fieldValue(app, "vvalue_", key), Text());
    }
  }
  if (!app.group.variables.find(marks.variable.view())) marks.variable = Text();
}

// The delimiter character followed by the keys, or empty for item form.
Text postedDataFields(const ParamList& posted) {
  if (posted.value("data") == "itemize") return Text();
  Text fields = posted.value("fields");
  fields.squeeze(' ');
  fields.insertAt(0, " ");
  Text delimiter = posted.value("delim");
  if (!delimiter.empty()) fields.replaceChar(' ', delimiter[0]);
  return fields;
}

void applyInsertMode(AdminApplication& app, const ParamList& posted) {
  Text insert = posted.value("insert");
  if (insert == "start") {
    app.group.insertMode = InsertMode::Start;
  } else if (insert == "end") {
    app.group.insertMode = InsertMode::End;
  } else {
    app.group.insertMode = InsertMode::Sorted;
    app.group.sortField = posted.value("sortfield");
    app.group.sortNumeric = posted.value("sorttype") == "num";
    app.group.sortReverse = posted.value("sortorder") == "descend";
  }
}

// The check boxes of the automatic fields left out, in record order.
constexpr const char* kOmittedFieldNames[kAutomaticFieldCount] = {
    "addlabel", "addformid", "addcomputer", "adddate", "addtime", "addreflabel"};

ShareMode postedShareMode(const Text& value) {
  if (value == "none") return ShareMode::None;
  if (value == "common") return ShareMode::Common;
  return ShareMode::Private;
}

// The storage options, labels and general data. Returns true when the
// administrator edited the counter: the posted count differs from the count
// that the page showed (a page without that field counts as edited).
bool applyOptions(AdminApplication& app) {
  const ParamList& posted = app.postParams();
  app.group.description = posted.value("description");
  app.group.workDir = posted.value("workdir");
  if (app.group.workDir.empty()) app.group.workDir = directoryOf(app.groupPath.view());
  app.group.defaultForm = posted.value("defaultform");
  app.group.dataFields = postedDataFields(posted);
  applyInsertMode(app, posted);
  app.group.omittedFields = AutomaticFields();
  for (AutomaticField field : kAutomaticFields)
    if (posted.value(kOmittedFieldNames[fieldIndex(field)]) == "yes")
      app.group.omittedFields.add(field);
  app.group.indexMode = postedShareMode(posted.value("index"));
  // The page has no control for the transaction file: without the field the
  // stored setting stays.
  if (const Param* changes = posted.find("changes"))
    app.group.changesMode = changes->value == "private"  ? ShareMode::Private
                            : changes->value == "common" ? ShareMode::Common
                                                         : ShareMode::None;
  app.group.logChanges = posted.value("log") == "yes";
  app.group.labelPrefix = posted.value("label");
  app.group.count = leadingNumber(posted.value("count").view());
  const Param* shown = posted.find("countshown");
  return !shown || leadingNumber(shown->value.view()) != app.group.count;
}

void applyButton(AdminApplication& app, const Text& action, const GroupMarks& marks) {
  const ParamList& posted = app.postParams();
  auto is = [&](const MessageTable& button) { return action == app.text(button); };
  if (is(kAddForm)) {
    addFormEntry(app, posted.value("fnewname"), posted.value("fnewhtm"), posted.value("fnewmsg"),
                 posted.value("fnewtmt"), marks.form);
  } else if (is(kAddCatalog)) {
    addCatalogEntry(app, posted.value("bnewname"), posted.value("bnewform"),
                    posted.value("bnewfile"), posted.value("bnewdesc"), marks.catalog);
  } else if (is(kAddResponse)) {
    addResponseEntry(app, posted.value("rnewaddr"), posted.value("rnewtmt"),
                     posted.value("rnewform"), posted.value("rnewcat"), marks.response);
  } else if (is(kAddVariable)) {
    addGroupVariable(app, posted.value("vnewname"), posted.value("vnewvalue"), marks.variable);
  } else if (is(kRemoveForm)) {
    removeFirst(app.group.forms, [&](const FormEntry& form) { return form.name == marks.form; });
  } else if (is(kRemoveCatalog)) {
    removeFirst(app.group.catalogs,
                [&](const CatalogEntry& entry) { return entry.name == marks.catalog; });
  } else if (is(kRemoveResponse)) {
    long n = responsePosition(marks.response, app.group.responses.size());
    if (n > 0) app.group.responses.erase(app.group.responses.begin() + (n - 1));
  } else if (is(kRemoveVariable) && !marks.variable.empty()) {
    app.group.variables.remove(marks.variable.view(), "");
  }
}

}  // namespace

void addFormEntry(AdminApplication& app, Text name, Text formFile, Text messageFile,
                  Text templateFile, const Text& mark) {
  if (name.empty()) return;
  FormEntry form;
  form.formFile = formFile.empty() ? name + ".htm" : formFile;
  form.messageFile = messageFile.empty() ? name + ".msg" : messageFile;
  form.templateFile = templateFile.empty() ? name + ".tmt" : templateFile;
  form.name = std::move(name);
  placeNamed(app.group.forms, std::move(form), mark);
}

void addCatalogEntry(AdminApplication& app, Text name, Text forms, Text file, Text description,
                     const Text& mark) {
  if (name.empty()) return;
  CatalogEntry entry;
  setCatalogName(entry, name);
  name = entry.name;
  for (Text& word : words(forms)) entry.forms.push_back(word == "-" ? name : word);
  if (entry.forms.empty()) entry.forms.push_back(name);
  entry.dataFile = file.empty() ? name + ".dat" : file;
  entry.description = std::move(description);
  placeNamed(app.group.catalogs, std::move(entry), mark);
}

void addResponseEntry(AdminApplication& app, Text recipients, Text templateFile, Text forms,
                      Text catalogs, const Text& mark) {
  ResponseEntry response;
  response.recipients = words(std::move(recipients));
  if (response.recipients.empty()) return;
  response.templateFile = std::move(templateFile);
  response.forms = words(std::move(forms));
  response.catalogs = words(std::move(catalogs));
  long n = responsePosition(mark, app.group.responses.size());
  if (n == 0) {
    app.group.responses.push_back(std::move(response));
  } else {
    app.group.responses.insert(app.group.responses.begin() + (n - 1), std::move(response));
  }
}

void addGroupVariable(AdminApplication& app, Text name, Text value, const Text& mark) {
  if (name.empty() || app.group.variables.find(name.view())) return;
  if (mark.empty()) {
    app.group.variables.add(name.view(), value.view(), AddMode::Append);
    return;
  }
  for (size_t i = 0; i < app.group.variables.size(); ++i) {
    if (app.group.variables[i].name.equalsIgnoreCase(mark.view())) {
      app.group.variables.insertBefore(i, name.view(), value.view());
      return;
    }
  }
}

void handleGroupPage(AdminApplication& app) {
  const ParamList& posted = app.postParams();
  GroupMarks marks{posted.value("markform"), posted.value("markcatalog"),
                   posted.value("markresponse"), posted.value("markvar")};
  Text action = posted.value("action");
  if (!posted.find("action") || action == app.text(kReloadData)) {
    writeGroupPage(app, marks);
    return;
  }
  AuditedAction audit(app, "group saved");
  applyLists(app, marks);
  bool counterEdited = applyOptions(app);
  app.groupChanged = true;
  applyButton(app, action, marks);
  saveGroupLocked(app, !counterEdited);
  audit.done(app.groupSettingsName, {}, {});
  writeGroupPage(app, marks);
}
