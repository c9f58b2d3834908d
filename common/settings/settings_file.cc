// The settings file: its reader, its writer and the password line edit,
// which share the rules of sections and keys.
#include "common/settings/settings_file.h"

#include <vector>

#include "common/text/file_lines.h"

namespace {

// The [GENERAL] keys the system knows, read in any letter case and written
// back as here, in this order, when set.
struct GeneralKey {
  const char* name;
  Text SystemSettings::*member;
};
constexpr GeneralKey kGeneralKeys[] = {
    {"administrator", &SystemSettings::administrator},
    {"mailServer", &SystemSettings::mailServer},
    {"serverName", &SystemSettings::serverName},
    {"password", &SystemSettings::password},
    {"trustedProxies", &SystemSettings::trustedProxies},
    {"mailSecurity", &SystemSettings::mailSecurity},
    {"mailUser", &SystemSettings::mailUser},
    {"mailPassword", &SystemSettings::mailPassword},
    {"mailCaFile", &SystemSettings::mailCaFile},
    {"addressStorage", &SystemSettings::addressStorage},
    {"alertHours", &SystemSettings::alertHours},
    {"viewerAddress", &SystemSettings::viewerAddress},
    {"metricsToken", &SystemSettings::metricsToken},
};

enum class Section { None, General, Groups, International, Header, Unknown };

// The section that a line beginning with "[" names.
Section sectionNamed(std::string_view line) {
  if (equalsIgnoreCase(line, "[GENERAL]")) return Section::General;
  if (equalsIgnoreCase(line, "[GROUPS]")) return Section::Groups;
  if (equalsIgnoreCase(line, "[INTERNATIONAL]")) return Section::International;
  if (equalsIgnoreCase(line, "[HEADER]")) return Section::Header;
  return Section::Unknown;
}

// Every byte after the "[HEADER]" line; as in the other lines a CR before a
// line feed is dropped.
Text headerText(std::string_view bytes) {
  Text header;
  for (size_t i = 0; i < bytes.size(); ++i)
    if (bytes[i] != '\r' || i + 1 >= bytes.size() || bytes[i + 1] != '\n') header += bytes[i];
  return header;
}

class SettingsReader {
 public:
  explicit SettingsReader(SystemSettings& settings) : settings_(settings) {}

  void read(std::string_view content) {
    Section section = Section::None;
    std::string_view line;
    for (size_t at = 0; takeLine(content, at, line);) {
      if (line.empty()) continue;
      if (line[0] == '[') {
        Section named = sectionNamed(line);
        if (named == Section::Header) {
          settings_.header = headerText(content.substr(at));
          return;
        }
        if (named != Section::Unknown) section = named;
        continue;
      }
      size_t eq = line.find('=');
      if (eq == std::string_view::npos || section == Section::None) continue;
      readSetting(section, Text(line.substr(0, eq)), Text(line.substr(eq + 1)));
    }
  }

 private:
  void readSetting(Section section, const Text& key, const Text& value) {
    if (section == Section::General) {
      readGeneral(key, value);
    } else if (section == Section::Groups) {
      settings_.groups.add(key, value, AddMode::Append);
    } else if (key.equalsIgnoreCase("LANGUAGE")) {
      int language = findLanguage(value);
      if (language >= 0) settings_.defaultLanguage = language;
    } else {
      readLanguageLine(key, value);
    }
  }

  // The version is the program's own and is never read back.
  void readGeneral(const Text& key, const Text& value) {
    for (const GeneralKey& known : kGeneralKeys) {
      if (key.equalsIgnoreCase(known.name)) {
        settings_.*known.member = value;
        return;
      }
    }
    if (!key.equalsIgnoreCase("VERSION")) settings_.otherGeneralLines.push_back(key + "=" + value);
  }

  // A language's line: "coding", "coding,charset" or ",charset".
  void readLanguageLine(const Text& key, const Text& value) {
    int i = findLanguage(key);
    if (i < 0 || value.empty()) return;
    const Language& language = kLanguages[i];
    Text coding = value;
    long comma = coding.findChar(',');
    if (comma >= 0) {
      Text charset = coding.substring(comma + 1);
      if (!charset.empty()) settings_.languageCharsets[i] = language.findCharset(charset);
      coding.erase(comma);
    }
    int codingIndex = coding.empty() ? -1 : language.findCoding(coding);
    if (codingIndex >= 0) settings_.languageCodings[i] = codingIndex;
  }

  SystemSettings& settings_;
};

bool storesLanguage(const SystemSettings& settings, int i) {
  return settings.languageCodings[i] != 0 || settings.languageCharsets[i] != -1;
}

void writeInternational(const SystemSettings& settings, Text& out) {
  bool any = settings.defaultLanguage != 0;
  for (int i = 0; i < kLanguageCount; ++i) any = any || storesLanguage(settings, i);
  if (!any) return;
  out += "\n[INTERNATIONAL]\n";
  if (settings.defaultLanguage != 0)
    out += Text::format("language=%s\n", kLanguages[settings.defaultLanguage].shortName);
  for (int i = 0; i < kLanguageCount; ++i) {
    if (!storesLanguage(settings, i)) continue;
    const Language& language = kLanguages[i];
    out += Text::format("%s=", language.shortName);
    if (settings.languageCodings[i] != 0) out += language.codingNames[settings.languageCodings[i]];
    if (settings.languageCharsets[i] != -1)
      out += Text::format(",%s", language.charsetNames[settings.languageCharsets[i]]);
    out += "\n";
  }
}

// The password line edit works on whole lines, each with its own line end
// (the last may have none), so that every other byte stays as it is.
std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  forEachLine(text, [&](std::string_view, size_t start, size_t length) {
    lines.emplace_back(text.substr(start, length));
  });
  return lines;
}

// The line as the reader sees it: without its line feed and a carriage
// return before it.
std::string_view lineText(std::string_view whole) {
  size_t at = 0;
  std::string_view line;
  takeLine(whole, at, line);
  return line;
}

bool isPasswordLine(std::string_view line) {
  size_t eq = line.find('=');
  return eq != std::string_view::npos && equalsIgnoreCase(line.substr(0, eq), "PASSWORD");
}

// Puts `line` before position `at`, ending the line before it first if the
// file's last line had no line feed.
void insertLine(std::vector<std::string>& lines, size_t at, const std::string& line) {
  if (at > 0 && lines[at - 1].back() != '\n') lines[at - 1] += '\n';
  lines.insert(lines.begin() + static_cast<long>(at), line);
}

}  // namespace

SystemSettings parseSettingsFile(std::string_view content) {
  SystemSettings settings;
  SettingsReader(settings).read(content);
  return settings;
}

Text settingsFileText(const SystemSettings& settings) {
  Text out = Text::format("[GENERAL]\nversion=%s\n", settings.version);
  auto put = [&out](const char* key, const Text& value) {
    if (!value.empty()) out += Text::format("%s=%s\n", key, oneLine(value));
  };
  for (const GeneralKey& known : kGeneralKeys) put(known.name, settings.*known.member);
  for (const Text& line : settings.otherGeneralLines) out += line + "\n";
  if (!settings.groups.empty()) {
    out += "\n[GROUPS]\n";
    for (const Param& group : settings.groups)
      out +=
          Text::format("%s=%s\n", oneLine(group.name), protectQuotedLetters(oneLine(group.value)));
  }
  writeInternational(settings, out);
  if (!settings.header.empty()) out += Text("\n[HEADER]\n") + settings.header;
  return out;
}

std::string withPassword(std::string_view content, std::string_view password) {
  std::vector<std::string> lines = splitLines(content);
  bool inGeneral = false, placed = false;
  size_t afterGeneral = 0, end = lines.size();
  std::string ending = "\n";
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lineText(lines[i]);
    if (!line.empty() && line[0] == '[') {
      Section named = sectionNamed(line);
      if (named == Section::Header) {
        end = i;  // every byte after it is header text
        break;
      }
      if (named == Section::General && afterGeneral == 0) {
        afterGeneral = i + 1;
        ending = lines[i].ends_with("\r\n") ? "\r\n" : "\n";
      }
      if (named == Section::General) inGeneral = true;
      if (named == Section::Groups || named == Section::International) inGeneral = false;
      continue;
    }
    if (!inGeneral || !isPasswordLine(line)) continue;
    std::string lineEnd = lines[i].substr(line.size());
    if (placed) {
      lines.erase(lines.begin() + static_cast<long>(i--));
      --end;
    } else {
      lines[i] = "password=" + std::string(password) + lineEnd;
      placed = true;
    }
  }
  if (!placed && afterGeneral > 0) {
    insertLine(lines, afterGeneral, "password=" + std::string(password) + ending);
  } else if (!placed && lines.empty()) {
    lines.push_back("[GENERAL]\nversion=1.2\npassword=" + std::string(password) + "\n");
  } else if (!placed && end < lines.size()) {
    insertLine(lines, end, "[GENERAL]\npassword=" + std::string(password) + "\n\n");
  } else if (!placed) {
    insertLine(lines, end, "\n[GENERAL]\npassword=" + std::string(password) + "\n");
  }
  std::string out;
  for (const std::string& line : lines) out += line;
  return out;
}
