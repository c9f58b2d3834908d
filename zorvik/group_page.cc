// The group details page, item by item. Items are numbered by one running
// counter in page order, whatever the lists hold.
#include "zorvik/group_page.h"

#include <initializer_list>

#include "zorvik/admin_application.h"
#include "zorvik/admin_texts.h"
#include "zorvik/page_markup.h"
#include "zorvik/settings_page.h"

using namespace adminTexts;

namespace {

const char* checked(bool selected) { return selected ? " checked" : ""; }

Text joinedWithBlanks(const List<Text>& items) {
  Text out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += ' ';
    out += items[i];
  }
  return out;
}

class GroupPageWriter {
 public:
  GroupPageWriter(AdminApplication& app, const GroupMarks& marks) : app_(app), marks_(marks) {}

  void write() {
    writeStart();
    writeSettings();
    writeForms();
    writeCatalogs();
    writeResponses();
    writeRecordLayout();
    writeInsertMethod();
    writeOmittedFields();
    writeFiles();
    writeLabels();
    writeVariables();
    writeSaveButtons(app_);
    app_.print("</form>\n");
    writeReturnForm();
    writeRebuildForm();
    app_.print("<hr>\n</body>\n</html>\n");
  }

 private:
  Markup text(const MessageTable& message) const { return app_.text(message); }

  void numberedRow() {
    app_.print(" <tr valign=baseline>\n  <td> <font size=4><b>%d.</b></font>\n", ++item_);
  }

  void sectionHeading(const char* word, const MessageTable& heading) {
    app_.print("\n<hr>\n<a href=\"%s%s?", helpLinkBase(app_), word);
    app_.print("%s\"><h2>%s</h2></a>\n", languageItem(app_), text(heading));
  }

  // A text field named by a prefix and an entry's name or position.
  void textCell(const char* prefix, const Text& key, const Text& value) {
    app_.print("  <td> <input type=text name=\"%s%s\" value=\"%s\">\n", prefix, exactValue(key),
               exactValue(value));
  }

  void radioCell(const char* group, const Text& value, const Text& mark) {
    app_.print("  <td> <input type=radio name=%s value=\"%s\"%s>\n", group, exactValue(value),
               checked(value == mark));
  }

  void listHead(const char* colspan, const MessageTable& item,
                std::initializer_list<const MessageTable*> columns) {
    app_.print("<table>\n");
    numberedRow();
    app_.print("  <td colspan=%s> %s:\n </tr>\n", colspan, text(item));
    app_.print(" <tr valign=baseline>\n  <td colspan=2>\n");
    for (const MessageTable* column : columns) app_.print("  <th align=left> %s:\n", text(*column));
    app_.print(" </tr>\n");
  }

  // The row that adds an entry: an unselectable radio, empty fields, the button.
  void newEntryRow(const char* group, std::initializer_list<const char*> fields,
                   const MessageTable& button) {
    app_.print(" <tr valign=baseline>\n  <td>\n");
    app_.print("  <td> <input type=radio name=%s value=\"\">\n", group);
    for (const char* field : fields) app_.print("  <td> <input type=text name=%s>\n", field);
    app_.print("  <td> <input type=submit name=action value=\"%s\">\n </tr>\n", text(button));
  }

  void hintRows(const char* colspan, const MessageTable& selectHint, const MessageTable& removeHint,
                const MessageTable& button) {
    app_.print(" <tr valign=baseline>\n  <td>\n  <td colspan=%s>\n%s.\n </tr>\n", colspan,
               text(selectHint));
    app_.print(" <tr valign=baseline>\n  <td>\n  <td colspan=%s>\n   %s\n", colspan,
               text(removeHint));
    app_.print("   <input type=submit name=action value=\"%s\">\n </tr>\n", text(button));
  }

  void writeStart() {
    app_.print("<html>\n");
    app_.writeHead(text(kGroupTitle));
    app_.print("<body>\n");
    app_.print("<form method=post action=\"%szorvik.exe/%s", exactValue(app_.CGIhome()),
               percentEncode(app_.groupName.view()));
    app_.print("%s\">\n", app_.languageQuery());
    app_.print("<input type=hidden name=password value=\"%s\">\n",
               exactValue(app_.settings.password));
    app_.print("<h1>%s <tt>\"%s\"</tt></h1>\n", text(kGroupTitle), exactValue(app_.groupName));
  }

  void itemText(const MessageTable& label) {
    numberedRow();
    app_.print("  <td> %s:\n", text(label));
  }

  void writeSettings() {
    sectionHeading("settings", kGeneralSection);
    app_.print("<table>\n");
    itemText(kGroupName);
    app_.print("  <td> <tt><b>%s</b></tt>\n </tr>\n", exactValue(app_.groupName));
    itemText(kInitFileName);
    app_.print("  <td> <tt><b>%s</b></tt>\n </tr>\n", exactValue(app_.groupPath));
    itemText(kShortDescription);
    app_.print("  <td> <input type=text name=description value=\"%s\" size=60>\n </tr>\n",
               exactValue(app_.group.description));
    itemText(kWorkingDirectory);
    app_.print("  <td> <input type=text name=workdir value=\"%s\" size=60>\n </tr>\n",
               exactValue(app_.group.workDir));
    app_.print("</table>\n");
  }

  void writeForms() {
    sectionHeading("forms", kFormsSection);
    app_.print("<table>\n");
    itemText(kDefaultForm);
    app_.print("  <td> <input type=text name=defaultform value=\"%s\">\n </tr>\n",
               exactValue(app_.group.defaultForm));
    app_.print("</table>\n");
    listHead("6", kFormList, {&kFormName, &kFormFile, &kMessageFile, &kTemplateFile});
    for (const FormEntry& form : app_.group.forms) {
      app_.print(" <tr valign=baseline>\n  <td>\n");
      radioCell("markform", form.name, marks_.form);
      textCell("fname_", form.name, form.name);
      textCell("fhtm_", form.name, form.formFile);
      textCell("fmsg_", form.name, form.messageFile);
      textCell("ftmt_", form.name, form.templateFile);
      app_.print(" </tr>\n");
    }
    newEntryRow("markform", {"fnewname", "fnewhtm", "fnewmsg", "fnewtmt"}, kAddForm);
    if (!app_.group.forms.empty()) hintRows("6", kFormSelectHint, kFormRemoveHint, kRemoveForm);
    app_.print("</table>\n");
  }

  void writeCatalogs() {
    sectionHeading("catalogs", kCatalogsSection);
    listHead("6", kCatalogList, {&kCatalogName, &kForms, &kCatalogFile, &kShortDescription});
    for (const CatalogEntry& entry : app_.group.catalogs) {
      Text shownName = entry.isSeries ? entry.name + "*" + entry.seriesTag : entry.name;
      app_.print(" <tr valign=baseline>\n  <td>\n");
      radioCell("markcatalog", entry.name, marks_.catalog);
      textCell("bname_", entry.name, shownName);
      textCell("bform_", entry.name, joinedWithBlanks(entry.forms));
      textCell("bfile_", entry.name, entry.dataFile);
      textCell("bdesc_", entry.name, entry.description);
      app_.print(" </tr>\n");
    }
    newEntryRow("markcatalog", {"bnewname", "bnewform", "bnewfile", "bnewdesc"}, kAddCatalog);
    if (!app_.group.catalogs.empty())
      hintRows("6", kCatalogSelectHint, kCatalogRemoveHint, kRemoveCatalog);
    app_.print("</table>\n");
  }

  void writeResponses() {
    sectionHeading("responses", kResponsesSection);
    listHead("6", kResponseList, {&kRecipients, &kTemplate, &kForms, &kCatalogs});
    long position = 0;
    for (const ResponseEntry& response : app_.group.responses) {
      Text key = Text::fromInt(++position);
      app_.print(" <tr valign=baseline>\n  <td>\n");
      radioCell("markresponse", key, marks_.response);
      textCell("raddr_", key, joinedWithBlanks(response.recipients));
      textCell("rtmt_", key, response.templateFile);
      textCell("rform_", key, joinedWithBlanks(response.forms));
      textCell("rcat_", key, joinedWithBlanks(response.catalogs));
      app_.print(" </tr>\n");
    }
    newEntryRow("markresponse", {"rnewaddr", "rnewtmt", "rnewform", "rnewcat"}, kAddResponse);
    if (!app_.group.responses.empty())
      hintRows("6", kResponseSelectHint, kResponseRemoveHint, kRemoveResponse);
    app_.print("</table>\n");
  }

  // Item 9: item form or one line with a delimiter and its keys.
  void writeRecordLayout() {
    const Text& data = app_.group.dataFields;
    Text delimiter = data.substring(0, 1);
    Text keys = data.substring(1);
    if (!data.empty()) keys.replaceChar(data[0], ' ');
    sectionHeading("insert", kInsertSection);
    app_.print("<table>\n");
    numberedRow();
    app_.print("  <td colspan=2> %s:\n </tr>\n", text(kRecordLayout));
    app_.print(" <tr valign=baseline>\n  <td>\n");
    app_.print("  <td> <input type=radio name=data value=itemize%s>\n", checked(data.empty()));
    app_.print("  <td> %s\n </tr>\n", text(kItemized));
    app_.print(" <tr valign=baseline>\n  <td>\n");
    app_.print("  <td> <input type=radio name=data value=delimiter%s>\n", checked(!data.empty()));
    app_.print("  <td> %s ", text(kDelimited));
    app_.print("<input type=text name=delim value=\"%s\" size=2 maxlength=1>\n </tr>\n",
               exactValue(delimiter));
    app_.print(" <tr valign=baseline>\n  <td colspan=2>\n  <td> %s: ", text(kListOfKeys));
    app_.print("<input type=text name=fields value=\"%s\" size=60>\n </tr>\n", exactValue(keys));
    app_.print("</table>\n");
  }

  void choiceRow(const Markup& radio, bool selected, const MessageTable& label) {
    app_.print(" <tr valign=baseline>\n  <td>\n");
    app_.print(radio, checked(selected));
    app_.print("  <td> %s\n </tr>\n", text(label));
  }

  // Item 10: at the start, at the end, or sorted by a field.
  void writeInsertMethod() {
    InsertMode mode = app_.group.insertMode;
    bool sorted = mode == InsertMode::Sorted;
    app_.print("<table>\n");
    numberedRow();
    app_.print("  <td colspan=2> %s:\n </tr>\n", text(kInsertMethod));
    choiceRow("  <td> <input type=radio name=insert value=start%s>\n", mode == InsertMode::Start,
              kInsertStart);
    choiceRow("  <td> <input type=radio name=insert value=end%s>\n", mode == InsertMode::End,
              kInsertEnd);
    app_.print(" <tr valign=baseline>\n  <td>\n");
    app_.print("  <td> <input type=radio name=insert value=sort%s>\n", checked(sorted));
    app_.print("  <td> %s \n", text(kInsertSorted));
    app_.print("       <input type=text name=sortfield value=\"%s\">\n </tr>\n",
               sorted ? exactValue(app_.group.sortField) : Markup());
    app_.print(" <tr valign=baseline>\n  <td colspan=2>\n  <td> %s\n", text(kSortType));
    app_.print("   <input type=radio name=sorttype value=alpha%s> ",
               checked(sorted && !app_.group.sortNumeric));
    app_.print("%s\n", text(kAlphanumerical));
    app_.print("   <input type=radio name=sorttype value=num%s> ",
               checked(sorted && app_.group.sortNumeric));
    app_.print("%s\n </tr>\n", text(kNumerical));
    app_.print(" <tr valign=baseline>\n  <td colspan=2>\n  <td> %s\n", text(kSortOrder));
    app_.print("   <input type=radio name=sortorder value=ascend%s> ",
               checked(sorted && !app_.group.sortReverse));
    app_.print("%s\n", text(kAscending));
    app_.print("   <input type=radio name=sortorder value=descend%s> ",
               checked(sorted && app_.group.sortReverse));
    app_.print("%s\n </tr>\n", text(kDescending));
    app_.print("</table>\n");
  }

  // Item 11: the automatic fields left out of records, in record order.
  void writeOmittedFields() {
    struct Field {
      const char* name;
      const char* tag;
      const MessageTable& label;
    };
    const Field fields[kAutomaticFieldCount] = {{"addlabel", "LABEL", kLabelField},
                                                {"addformid", "FORMID", kFormIdField},
                                                {"addcomputer", "COMPUTER", kComputerField},
                                                {"adddate", "DATE", kDateField},
                                                {"addtime", "TIME", kTimeField},
                                                {"addreflabel", "REFLABEL", kRefLabelField}};
    app_.print("<table>\n");
    itemText(kOmittedFields);
    app_.print(" </tr>\n");
    for (AutomaticField omittable : kAutomaticFields) {
      const Field& field = fields[fieldIndex(omittable)];
      app_.print(" <tr valign=baseline>\n  <td>\n");
      app_.print("  <td> <input type=checkbox name=%s value=yes%s>\n", field.name,
                 checked(app_.group.omittedFields.contains(omittable)));
      app_.print("       <tt>%s</tt> - %s\n </tr>\n", field.tag, text(field.label));
    }
    app_.print("</table>\n");
  }

  void dottedChoiceRow(const Markup& radio, bool selected, const MessageTable& label) {
    app_.print(" <tr valign=baseline>\n  <td>\n");
    app_.print(radio, checked(selected));
    app_.print("  <td> %s.\n </tr>\n", text(label));
  }

  // Items 12 and 13: the index file, with a button that rebuilds it, and the log.
  void writeFiles() {
    ShareMode index = app_.group.indexMode;
    sectionHeading("files", kFilesSection);
    app_.print("<table>\n");
    numberedRow();
    app_.print("  <td colspan=2> %s:\n", text(kIndexFile));
    app_.print("   (<input type=submit form=rebuild value=\"%s\">)\n </tr>\n", text(kRebuild));
    dottedChoiceRow("  <td> <input type=radio name=index value=none%s>\n", index == ShareMode::None,
                    kIndexNone);
    dottedChoiceRow("  <td> <input type=radio name=index value=private%s>\n",
                    index == ShareMode::Private, kIndexPrivate);
    dottedChoiceRow("  <td> <input type=radio name=index value=common%s>\n",
                    index == ShareMode::Common, kIndexCommon);
    numberedRow();
    app_.print("  <td colspan=2> %s:\n </tr>\n", text(kLogFile));
    dottedChoiceRow("  <td> <input type=radio name=log value=no%s>\n", !app_.group.logChanges,
                    kLogNo);
    dottedChoiceRow("  <td> <input type=radio name=log value=yes%s>\n", app_.group.logChanges,
                    kLogYes);
    app_.print("</table>\n");
  }

  // Items 14 and 15. The counter as shown travels in a hidden field, so that
  // a save tells an edited counter from one that submissions advanced since.
  void writeLabels() {
    sectionHeading("labels", kLabelsSection);
    app_.print("<table>\n");
    itemText(kLabelPrefix);
    app_.print("  <td> <input type=text name=label value=\"%s\">\n </tr>\n",
               exactValue(app_.group.labelPrefix));
    itemText(kLabelCounter);
    app_.print("  <td> <input type=text name=count value=\"%ld\">\n", app_.group.count);
    app_.print("  <input type=hidden name=countshown value=\"%ld\">\n </tr>\n", app_.group.count);
    app_.print("</table>\n");
  }

  void writeVariables() {
    sectionHeading("vars", kVarsSection);
    app_.print("<table>\n");
    numberedRow();
    app_.print("  <td colspan=4> %s:\n </tr>\n", text(kVariableList));
    app_.print(" <tr valign=baseline>\n  <td colspan=2>\n");
    app_.print("  <th align=left> %s:\n  <th align=left> %s:\n </tr>\n", text(kName), text(kValue));
    for (const Param& variable : app_.group.variables) {
      app_.print(" <tr valign=baseline>\n  <td>\n");
      radioCell("markvar", variable.name, marks_.variable);
      textCell("vname_", variable.name, variable.name);
      app_.print("  <td> <input type=text name=\"vvalue_%s\" value=\"%s\" size=50>\n </tr>\n",
                 exactValue(variable.name), exactValue(variable.value));
    }
    newEntryRow("markvar", {"vnewname", "vnewvalue size=50"}, kAddVariable);
    if (!app_.group.variables.empty())
      hintRows("4", kVariableSelectHint, kVariableRemoveHint, kRemoveVariable);
    app_.print("</table>\n");
  }

  // The second form: back to the overview, without a group and an action.
  void writeReturnForm() {
    app_.print("<form method=post action=\"%szorvik.exe%s\">\n", exactValue(app_.CGIhome()),
               app_.languageQuery());
    app_.print("<input type=hidden name=password value=\"%s\">\n",
               exactValue(app_.settings.password));
    app_.print("<table>\n <tr valign=baseline>\n  <td>\n   %s\n", text(kReturnHint));
    app_.print("   <input type=submit value=\"%s\">\n </tr>\n</table>\n</form>\n", text(kHere));
  }

  // The form of item 12's rebuild button (which names it, as forms cannot
  // nest): it posts the password on to the index builder, which asks for it
  // as these pages do.
  void writeRebuildForm() {
    app_.print("<form id=rebuild method=post action=\"%slunoder.exe/%s%s\">\n",
               exactValue(app_.CGIhome()), percentEncode(app_.groupName.view()),
               app_.languageQuery());
    app_.print("<input type=hidden name=password value=\"%s\">\n</form>\n",
               exactValue(app_.settings.password));
  }

  AdminApplication& app_;
  const GroupMarks& marks_;
  int item_ = 0;
};

}  // namespace

void writeGroupPage(AdminApplication& app, const GroupMarks& marks) {
  GroupPageWriter(app, marks).write();
}
