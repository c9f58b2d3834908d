// Reading and writing the settings file, the application's page frames and
// the file operations with their fatal errors.
#include "common/settings/cgi_application.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/cgi/cgi_streams.h"
#include "common/cgi/request_refusal.h"
#include "common/files/file_modes.h"
#include "common/files/path.h"

Text privateTempPath(const Text& path) {
  return path + "." + Text::fromInt(static_cast<long>(getpid())) + ".tmp";
}

CgiApplication::CgiApplication(const RequestContext& context, const char* contentType)
    : CgiApplication(context, contentType, RefuseLater{}) {
  // Only now can the refusal be written with the site's language and frame.
  refuseRequest(*this);
}

CgiApplication::CgiApplication(const RequestContext& context, const char* contentType, RefuseLater)
    : CgiPage(context, contentType, "KALDERHOME") {
  readSettings();
}

void CgiApplication::readSettings() {
  settingsPath = home() + "kalder.ini";
  // A settings file that cannot be read must not pass for a missing one:
  // its defaults include no password at all.
  Text content;
  if (!readWholeFile(settingsPath, OpenMode::IfExists, content)) return;
  settings = parseSettingsFile(content);
  applyLanguageSettings();
  setLanguageParam(Text(languageParam()));
  variables().add("&kalderhome", CGIhome(), AddMode::Append);
  variables().add("&version", settings.version, AddMode::Append);
  variables().add("&administrator", settings.administrator, AddMode::Append);
  variables().add("&servername", settings.serverName, AddMode::Append);
  // The header is markup: read as a quote-letter text, a quote before "s"
  // (rel="stylesheet") would turn into a letter and break the tag.
  variables().setVerbatim("&header", settings.header);
}

void CgiApplication::applyLanguageSettings() {
  for (int i = 0; i < kLanguageCount; ++i) {
    const Language& language = kLanguages[i];
    if (language.codingCount > 0)
      selectCoding(i, language.codingNames[settings.languageCodings[i]]);
    int charset = settings.languageCharsets[i];
    if (language.charsetCount > 0)
      selectCharset(i, charset >= 0 ? language.charsetNames[charset] : "");
  }
  selectLanguage(kLanguages[settings.defaultLanguage].shortName);
}

void CgiApplication::writeSettings() {
  if (!settingsChanged) return;
  settingsChanged = false;
  Text content = settingsFileText(settings);
  AtomicFile file;
  openReplacement(file, settingsPath, privateTempPath(settingsPath), settingsPath);
  std::fwrite(content.c_str(), 1, content.str().size(), file.file());
  commitReplacement(file, settingsPath);
}

void CgiApplication::writeHead(const Markup& title) {
  writeDirect("<head>\n");
  print("<title>%s</title>\n", title);
  writeMeta();
  // The header text is the administrator's own markup (a style sheet link).
  if (!settings.header.empty()) print("%s\n", Markup(settings.header));
  writeDirect("</head>\n");
}

void CgiApplication::writeErrorFooter() {
  const Text& administrator = settings.administrator;
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

bool CgiApplication::readWholeFile(const Text& path, OpenMode mode, Text& content) {
  if (FileCache* cache = fileCache()) {
    FileCache::Outcome outcome = cache->read(path, content);
    if (outcome == FileCache::Outcome::Read) return true;
    if (outcome == FileCache::Outcome::Absent && mode == OpenMode::IfExists) return false;
    fatal(messages::kOpenFailed, path);
  }
  FilePtr file = openRead(path, mode);
  if (!file) return false;
  content.readBytes(file.get(), -1);
  checkRead(file, path);
  closeFile(file);
  return true;
}

namespace {

// fopen's "w" and "a", but a new file gets the private mode (file_modes.h).
FilePtr openCreating(const Text& path, int flags, const char* mode) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, kPrivateFileMode);
  if (fd < 0) return FilePtr();
  FilePtr file(fdopen(fd, mode));
  if (!file) ::close(fd);
  return file;
}

}  // namespace

FilePtr CgiApplication::openWrite(const Text& path) {
  FilePtr file = openCreating(path, O_TRUNC, "w");
  if (!file) fatal(messages::kCreateFailed, path);
  return file;
}

FilePtr CgiApplication::openUpdate(const Text& path) {
  FilePtr file(std::fopen(path.c_str(), "r+"));
  if (!file) fatal(messages::kCreateFailed, path);
  return file;
}

FilePtr CgiApplication::openAppend(const Text& path) {
  FilePtr file = openCreating(path, O_APPEND, "a");
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
