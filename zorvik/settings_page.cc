// The settings overview page, section by section.
#include "zorvik/settings_page.h"

#include "zorvik/admin_application.h"
#include "zorvik/admin_texts.h"
#include "zorvik/page_markup.h"

using namespace adminTexts;

namespace {

const char* checked(bool selected) { return selected ? " checked" : ""; }

// "\n<hr>\n" and the section heading, a link into the help pages.
void writeSectionHeading(AdminApplication& app, const char* word, const MessageTable& heading) {
  app.print("\n<hr>\n<a href=\"%s%s?", helpLinkBase(app), word);
  app.print("%s\"><h2>%s</h2></a>\n", languageItem(app), app.text(heading));
}

void writeTextRow(AdminApplication& app, const MessageTable& label, const char* field,
                  const Text& value) {
  app.print(" <tr>\n  <th align=left> %s:\n", app.text(label));
  app.print("  <td> <input type=text name=%s value=\"%s\" size=40>\n", field, exactValue(value));
  app.print(" </tr>\n");
}

void writeGeneral(AdminApplication& app) {
  writeSectionHeading(app, "general", kGeneralSection);
  app.print("<table>\n");
  app.print(" <tr>\n  <th align=left> %s:\n", app.text(kVersion));
  app.print("  <td> %s </tr>\n", exactValue(app.settings.version));
  writeTextRow(app, kAdministrator, "administrator", app.settings.administrator);
  writeTextRow(app, kMailServer, "mail", app.settings.mailServer);
  writeTextRow(app, kWwwServer, "server", app.settings.serverName);
  app.print("</table>\n");
}

void writeGroupRow(AdminApplication& app, const Param& group, const Text& mark) {
  Markup name = exactValue(group.name);
  app.print(" <tr valign=baseline>\n");
  app.print("  <td> <input type=radio name=mark value=\"%s\"%s>\n", name,
            checked(group.name == mark));
  app.print("  <td> <input type=text name=%s value=\"%s\" size=20>\n",
            unquotedAttribute((Text("name_") + group.name).view()), name);
  app.print("  <td> <input type=text name=%s value=\"%s\" size=50>\n",
            unquotedAttribute((Text("desc_") + group.name).view()), exactValue(group.value));
  app.print(" </tr>\n");
}

void writeGroupButtons(AdminApplication& app) {
  app.print(" <tr valign=baseline>\n  <td colspan=4>\n%s.\n </tr>\n", app.text(kGroupSelectHint));
  app.print(" <tr valign=baseline>\n  <td colspan=4>\n   %s\n", app.text(kGroupDetailsHint));
  app.print("   <input type=submit name=action value=\"%s\">\n </tr>\n", app.text(kShowDetails));
  app.print(" <tr valign=baseline>\n  <td colspan=4>\n   %s\n", app.text(kGroupRemoveHint));
  app.print("   <input type=submit name=action value=\"%s\">\n </tr>\n", app.text(kRemove));
}

void writeGroups(AdminApplication& app, const Text& mark) {
  writeSectionHeading(app, "groups", kGroupsSection);
  app.print("<table>\n");
  app.print(" <tr valign=baseline>\n  <td colspan=4> %s:\n </tr>\n", app.text(kGroupsIntro));
  app.print(" <tr valign=baseline>\n  <td>\n");
  app.print("  <th align=left> %s:\n", app.text(kGroupName));
  app.print("  <th align=left> %s:\n </tr>\n", app.text(kDescriptionFileName));
  for (const Param& group : app.settings.groups) writeGroupRow(app, group, mark);
  app.print(" <tr valign=baseline>\n");
  app.print("  <td> <input type=radio name=mark value=\"\">\n");
  app.print("  <td> <input type=text name=newname size=20>\n");
  app.print("  <td> <input type=text name=newvalue size=50>\n");
  app.print("  <td> <input type=submit name=action value=\"%s\">\n </tr>\n", app.text(kAdd));
  if (!app.settings.groups.empty()) writeGroupButtons(app);
  app.print("</table>\n");
}

// The coding and charset rows of language i, labelled in that language.
void writeCodingRows(AdminApplication& app, int i) {
  const Language& language = kLanguages[i];
  if (language.codingCount > 0) {
    app.print(" <tr valign=baseline>\n  <td>\n  <td> <b>%s:</b>\n", Markup(kCoding.pick(i)));
    for (int j = 0; j < language.codingCount; ++j)
      app.print("   <input type=radio name=code_%s value=%s%s> <tt>%s</tt>\n", language.shortName,
                language.codingNames[j], checked(j == app.settings.languageCodings[i]),
                language.codingNames[j]);
    app.print(" </tr>\n");
  }
  if (language.charsetCount > 0) {
    app.print(" <tr valign=baseline>\n  <td>\n  <td> <b>%s:</b>\n", Markup(kCharset.pick(i)));
    app.print("   <input type=radio name=cset_%s value=-%s> <tt>%s</tt>\n", language.shortName,
              checked(app.settings.languageCharsets[i] == -1), Markup(kCharsetDefault.pick(i)));
    for (int j = 0; j < language.charsetCount; ++j)
      app.print("   <input type=radio name=cset_%s value=%s%s> <tt>%s</tt>\n", language.shortName,
                language.charsetNames[j], checked(j == app.settings.languageCharsets[i]),
                language.charsetNames[j]);
    app.print(" </tr>\n");
  }
}

void writeLanguages(AdminApplication& app) {
  writeSectionHeading(app, "international", kLanguageSection);
  app.print("<b>%s:</b>\n<table>\n", app.text(kLanguage));
  for (int i = 0; i < kLanguageCount; ++i) {
    const Language& language = kLanguages[i];
    app.print(" <tr valign=baseline>\n");
    app.print("  <td> <input type=radio name=lang value=%s%s>\n", language.shortName,
              checked(i == app.settings.defaultLanguage));
    app.print("  <td> %s\n </tr>\n", language.longName);
    writeCodingRows(app, i);
  }
  app.print("</table>\n");
}

void writeHeaderText(AdminApplication& app) {
  writeSectionHeading(app, "header", kHeaderSection);
  app.print("<textarea name=header cols=90 rows=6>\n");
  app.print("%s", exactValue(app.settings.header));
  app.print("</textarea>\n");
}

}  // namespace

// The save and reload buttons, shared with the group page.
void writeSaveButtons(AdminApplication& app) {
  app.print("<hr>\n<table>\n");
  app.print(" <tr valign=baseline>\n  <td>\n   %s\n", app.text(kSaveHint));
  app.print("   <input type=submit name=action value=\"%s\">\n </tr>\n", app.text(kSaveChanges));
  app.print(" <tr valign=baseline>\n  <td>\n   %s\n", app.text(kReloadHint));
  app.print("   <input type=submit name=action value=\"%s\">\n </tr>\n", app.text(kReloadData));
  app.print("</table>\n");
}

void writeSettingsPage(AdminApplication& app, const Text& mark) {
  app.print("<html>\n");
  app.writeHead(app.text(kSettingsTitle));
  app.print("<body>\n");
  app.print("<form method=post action=\"%szorvik.exe%s\">\n", exactValue(app.CGIhome()),
            app.languageQuery());
  app.print("<input type=hidden name=password value=\"%s\">\n", exactValue(app.settings.password));
  app.print("<h1>%s <tt>\"kalder.ini\"</tt></h1>\n", app.text(kSettingsTitle));
  writeGeneral(app);
  writeGroups(app, mark);
  writeLanguages(app);
  writeHeaderText(app);
  writeSaveButtons(app);
  app.print("</form>\n</body>\n</html>\n");
}
