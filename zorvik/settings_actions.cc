// Applying the settings overview's fields and buttons.
#include "zorvik/settings_actions.h"

#include "common/access/audit_action.h"
#include "zorvik/admin_application.h"
#include "zorvik/admin_texts.h"
#include "zorvik/group_actions.h"
#include "zorvik/settings_page.h"

using namespace adminTexts;

namespace {

enum class SettingsButton { Add, Remove, ShowDetails, Other };

// Buttons are read in the language of the page that was posted, before the
// posted default language can change the current one.
SettingsButton settingsButton(const AdminApplication& app, const Text& action) {
  if (action == app.text(kAdd)) return SettingsButton::Add;
  if (action == app.text(kRemove)) return SettingsButton::Remove;
  if (action == app.text(kShowDetails)) return SettingsButton::ShowDetails;
  return SettingsButton::Other;
}

// Rebuilds the group list from the name_/desc_ fields in page order; the
// mark follows its group to a new name.
void applyGroups(AdminApplication& app, Text& mark) {
  const ParamList& posted = app.postParams();
  app.settings.groups.clear();
  for (const Param& field : posted) {
    if (!field.name.startsWith("name_")) continue;
    Text key = field.name.substring(5);
    if (mark == key) mark = field.value;
    addGroupEntry(app, field.value, posted.value((Text("desc_") + key).view()), Text());
  }
  if (!app.settings.groups.find(mark.view())) mark = Text();
}

void applyLanguages(AdminApplication& app) {
  const ParamList& posted = app.postParams();
  app.selectLanguage(posted.value("lang").view());
  app.settings.defaultLanguage = app.currentIndex();
  for (int i = 0; i < kLanguageCount; ++i) {
    Text name = kLanguages[i].shortName;
    app.selectCoding(i, posted.value((Text("code_") + name).view()).view());
    app.selectCharset(i, posted.value((Text("cset_") + name).view()).view());
    app.settings.languageCodings[i] = app.choice(i).currentCoding;
    app.settings.languageCharsets[i] = app.choice(i).currentCharset;
  }
  app.setLanguageParam(Text(app.languageParam()).view());
}

void applySettings(AdminApplication& app, Text& mark) {
  const ParamList& posted = app.postParams();
  app.settings.administrator = posted.value("administrator");
  app.settings.mailServer = posted.value("mail");
  app.settings.serverName = posted.value("server");
  applyGroups(app, mark);
  applyLanguages(app);
  app.settings.header = posted.value("header");
  app.settingsChanged = true;
}

// Writes the settings, then shows the marked group's details page.
void showDetails(AdminApplication& app, const Text& mark, AuditedAction& audit) {
  app.writeSettings();
  audit.done({}, {}, {});
  app.postParams().clear();
  const Param* group = app.settings.groups.find(mark.view());
  if (!group) app.fatal(messages::kUnknownGroup, mark);
  app.readGroup(mark, group->value);
  handleGroupPage(app);
}

}  // namespace

void addGroupEntry(AdminApplication& app, Text name, Text file, const Text& mark) {
  if (name.empty() || file.empty()) return;
  if (mark.empty()) {
    app.settings.groups.add(name.view(), file.view(), AddMode::Append);
    return;
  }
  for (size_t i = 0; i < app.settings.groups.size(); ++i) {
    if (app.settings.groups[i].name.equalsIgnoreCase(mark.view())) {
      app.settings.groups.insertBefore(i, name.view(), file.view());
      return;
    }
  }
}

void handleSettingsPage(AdminApplication& app) {
  Text mark = app.postParams().value("mark");
  const Param* action = app.postParams().find("action");
  if (!action || action->value == app.text(kReloadData)) {
    writeSettingsPage(app, mark);
    return;
  }
  SettingsButton button = settingsButton(app, action->value);
  AuditedAction audit(app, "settings saved");
  applySettings(app, mark);
  const ParamList& posted = app.postParams();
  if (button == SettingsButton::Add) {
    addGroupEntry(app, posted.value("newname"), posted.value("newvalue"), mark);
  } else if (button == SettingsButton::Remove && !mark.empty()) {
    app.settings.groups.remove(mark.view(), "");
  } else if (button == SettingsButton::ShowDetails && !mark.empty()) {
    showDetails(app, mark, audit);
    return;
  }
  app.writeSettings();
  audit.done({}, {}, {});
  writeSettingsPage(app, mark);
}
