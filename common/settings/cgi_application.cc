// Reading and writing the settings file, the application's page frames and
// the file operations with their fatal errors.
#include "common/settings/cgi_application.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/cgi/cgi_streams.h"
#include "common/cgi/oversized_request.h"
#include "common/files/path.h"

namespace {

enum Section { kNone, kGeneral, kGroups, kInternational };

}  // namespace

Text privateTempPath(const Text& path) {
  return path + "." + Text::fromInt(static_cast<long>(getpid())) + ".tmp";
}

Text oneLine(std::string_view value) {
  Text line(value);
  line.replaceChar('\r', ' ');
  line.replaceChar('\n', ' ');
  return line;
}

CgiApplication::CgiApplication(const char* contentType) : CgiPage(contentType, "KALDERHOME") {
  languageCharsets.fill(-1);
  readSettings();
  // Only now can the refusal be written with the site's language and frame.
  refuseOversizedRequest(*this);
}

void CgiApplication::readSettings() {
  settingsPath = home() + "kalder.ini";
  // A settings file that cannot be read must not pass for a missing one:
  // its defaults include no password at all.
  FilePtr file = openRead(settingsPath, OpenMode::IfExists);
  if (!file) return;
  int section = kNone;
  Text line;
  while (line.readLine(file.get()) >= 0) {
    if (line.empty()) continue;
    if (line[0] == '[') {
      if (line.equalsIgnoreCase("[GENERAL]")) section = kGeneral;
      if (line.equalsIgnoreCase("[GROUPS]")) section = kGroups;
      if (line.equalsIgnoreCase("[INTERNATIONAL]")) section = kInternational;
      if (line.equalsIgnoreCase("[HEADER]")) {
        readHeader(file.get());
        break;
      }
      continue;
    }
    long eq = line.findChar('=');
    if (eq < 0 || section == kNone) continue;
    readSettingLine(section, line.substring(0, eq), line.substring(eq + 1));
  }
  checkRead(file, settingsPath);
  closeFile(file);
  setLanguageParam(Text(languageParam()));
  variables().add("&kalderhome", CGIhome(), AddMode::Append);
  variables().add("&version", version, AddMode::Append);
  variables().add("&administrator", administrator, AddMode::Append);
  variables().add("&servername", serverName, AddMode::Append);
  // The header is markup: read as a quote-letter text, a quote before "s"
  // (rel="stylesheet") would turn into a letter and break the tag.
  variables().setVerbatim("&header", header);
}

// Every byte after the "[HEADER]" line; as in the other lines a CR before a
// line feed is dropped.
void CgiApplication::readHeader(std::FILE* file) {
  Text bytes;
  bytes.readBytes(file, -1);
  header = Text();
  for (long i = 0; i < bytes.length(); ++i)
    if (bytes[i] != '\r' || i + 1 >= bytes.length() || bytes[i + 1] != '\n') header += bytes[i];
}

void CgiApplication::readSettingLine(int section, const Text& key, const Text& value) {
  if (section == kGeneral) {
    readGeneral(key, value);
  } else if (section == kGroups) {
    groups.add(key, value, AddMode::Append);
  } else if (key.equalsIgnoreCase("LANGUAGE")) {
    selectLanguage(value);
    defaultLanguage = currentIndex();
  } else {
    readInternational(key, value);
  }
}

// The version is the program's own and is never read back.
void CgiApplication::readGeneral(const Text& key, const Text& value) {
  if (key.equalsIgnoreCase("ADMINISTRATOR")) {
    administrator = value;
  } else if (key.equalsIgnoreCase("MAILSERVER")) {
    mailServer = value;
  } else if (key.equalsIgnoreCase("SERVERNAME")) {
    serverName = value;
  } else if (key.equalsIgnoreCase("PASSWORD")) {
    password = value;
  } else if (key.equalsIgnoreCase("TRUSTEDPROXIES")) {
    trustedProxies = value;
  } else if (!key.equalsIgnoreCase("VERSION")) {
    otherGeneralLines.push_back(key + "=" + value);
  }
}

// A language's line: "coding", "coding,charset" or ",charset".
void CgiApplication::readInternational(const Text& key, const Text& value) {
  int i = findLanguage(key);
  if (i < 0 || value.empty()) return;
  Text coding = value;
  long comma = coding.findChar(',');
  if (comma >= 0) {
    Text charset = coding.substring(comma + 1);
    if (!charset.empty()) {
      selectCharset(i, charset);
      languageCharsets[i] = choice(i).currentCharset;
    }
    coding.erase(comma);
  }
  if (!coding.empty()) {
    selectCoding(i, coding);
    languageCodings[i] = choice(i).currentCoding;
  }
}

void CgiApplication::writeSettings() {
  if (!settingsChanged) return;
  settingsChanged = 0;
  AtomicFile file;
  openReplacement(file, settingsPath, privateTempPath(settingsPath), settingsPath);
  writeSettingsTo(file.file());
  commitReplacement(file, settingsPath);
}

void CgiApplication::writeSettingsTo(std::FILE* out) const {
  auto put = [out](const Text& t) { std::fwrite(t.c_str(), 1, t.str().size(), out); };
  put(Text::format("[GENERAL]\nversion=%s\n", version));
  if (!administrator.empty()) put(Text::format("administrator=%s\n", oneLine(administrator)));
  if (!mailServer.empty()) put(Text::format("mailServer=%s\n", oneLine(mailServer)));
  if (!serverName.empty()) put(Text::format("serverName=%s\n", oneLine(serverName)));
  if (!password.empty()) put(Text::format("password=%s\n", oneLine(password)));
  if (!trustedProxies.empty()) put(Text::format("trustedProxies=%s\n", oneLine(trustedProxies)));
  for (const Text& line : otherGeneralLines) put(line + "\n");
  if (!groups.empty()) {
    put("\n[GROUPS]\n");
    for (const Param& group : groups)
      put(Text::format("%s=%s\n", oneLine(group.name), protectQuotedLetters(oneLine(group.value))));
  }
  bool anyLanguage = defaultLanguage != 0;
  for (int i = 0; i < kLanguageCount; ++i)
    anyLanguage = anyLanguage || languageCodings[i] != 0 || languageCharsets[i] != -1;
  if (anyLanguage) {
    put("\n[INTERNATIONAL]\n");
    if (defaultLanguage != 0)
      put(Text::format("language=%s\n", kLanguages[defaultLanguage].shortName));
    for (int i = 0; i < kLanguageCount; ++i) {
      if (languageCodings[i] == 0 && languageCharsets[i] == -1) continue;
      const Language& language = kLanguages[i];
      put(Text::format("%s=", language.shortName));
      if (languageCodings[i] != 0) put(language.codingNames[languageCodings[i]]);
      if (languageCharsets[i] != -1)
        put(Text::format(",%s", language.charsetNames[languageCharsets[i]]));
      put("\n");
    }
  }
  if (!header.empty()) put(Text("\n[HEADER]\n") + header);
}

void CgiApplication::writeHead(const Markup& title) {
  writeDirect("<head>\n");
  print("<title>%s</title>\n", title);
  writeMeta();
  // The header text is the administrator's own markup (a style sheet link).
  if (!header.empty()) print("%s\n", Markup(header));
  writeDirect("</head>\n");
}

void CgiApplication::writeErrorFooter() {
  if (administrator.empty()) return;
  print("%s: ", text(messages::kContactLine));
  print("<a href=\"mailto:%s\">", administrator);
  print("<tt>%s</tt></a>\n", administrator);
}

FilePtr CgiApplication::openRead(const Text& path, OpenMode mode) {
  if (mode == OpenMode::CreateIfMissing && !fileExists(path)) createEmptyFile(path);
  FilePtr file(std::fopen(path.c_str(), "r"));
  if (!file && mode == OpenMode::Required) fatal(messages::kOpenFailed, path);
  if (mode == OpenMode::IfExists) {
    if (!file && errno != ENOENT) fatal(messages::kOpenFailed, path);
    struct stat info;
    if (file && (fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)))
      fatal(messages::kOpenFailed, path);
  }
  return file;
}

void CgiApplication::checkRead(const FilePtr& file, const Text& path) {
  if (std::ferror(file.get())) fatal(messages::kOpenFailed, path);
}

FilePtr CgiApplication::openWrite(const Text& path) {
  FilePtr file(std::fopen(path.c_str(), "w"));
  if (!file) fatal(messages::kCreateFailed, path);
  return file;
}

FilePtr CgiApplication::openUpdate(const Text& path) {
  FilePtr file(std::fopen(path.c_str(), "r+"));
  if (!file) fatal(messages::kCreateFailed, path);
  return file;
}

FilePtr CgiApplication::openAppend(const Text& path) {
  FilePtr file(std::fopen(path.c_str(), "a"));
  if (!file) fatal(messages::kOpenFailed, path);
  std::fseek(file.get(), 0, SEEK_END);
  return file;
}

bool CgiApplication::fileExists(const Text& path) const {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void CgiApplication::createEmptyFile(const Text& path) {
  FilePtr file = openWrite(path);
  closeFile(file);
}

void CgiApplication::openReplacement(AtomicFile& file, const Text& target, const Text& temp,
                                     const Text& reported) {
  if (!file.open(target, temp)) fatal(messages::kCreateFailed, reported);
}

void CgiApplication::commitReplacement(AtomicFile& file, const Text& reported) {
  if (!file.commit()) fatal(messages::kCreateFailed, reported);
}
