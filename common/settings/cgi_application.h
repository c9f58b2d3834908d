// CgiApplication: the page layer plus the system settings of "kalder.ini",
// the application's error page and page head, and the file operations that
// turn a failure into the bilingual fatal error page.
#pragma once

#include <cstdio>
#include <memory>

#include "common/cgi/cgi_page.h"
#include "common/files/atomic_file.h"
#include "common/settings/settings_file.h"

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// IfExists: none when the file does not exist; one that exists but cannot be
// read (its permissions, a directory of that name) is the fatal error, so a
// damaged file is never taken for a missing one and its defaults.
enum class OpenMode { Quiet, Required, CreateIfMissing, IfExists };

namespace messages {
inline constexpr MessageTable kOpenFailed{"Cannot open file <tt>%s</tt>",
                                          "Ne morem odpreti datoteke <tt>%s</tt>"};
inline constexpr MessageTable kCreateFailed{"Cannot create file <tt>%s</tt>",
                                            "Ne morem ustvariti datoteke <tt>%s</tt>"};
}  // namespace messages

class CgiApplication : public CgiPage {
 public:
  // Builds the request for "text/html" with the home from KALDERHOME, then
  // reads the settings file and applies its language defaults.
  explicit CgiApplication(const RequestContext& context, const char* contentType = "text/html");
  // The same, leaving a refused request to be answered by the caller
  // (refuseRequest) once it knows more of the answer's header.
  struct RefuseLater {};
  CgiApplication(const RequestContext& context, const char* contentType, RefuseLater);
  // The process's own request (tests, tools).
  CgiApplication() : CgiApplication(RequestContext::fromProcess()) {}
  explicit CgiApplication(const char* contentType)
      : CgiApplication(RequestContext::fromProcess(), contentType) {}

  // Writes the settings when they are marked changed (clearing the mark).
  void writeSettings();
  // Writes what is still marked changed; each program's entry calls it once
  // its work is done (never after a fatal error).
  void finish() { writeSettings(); }

  void writeHead(const Markup& title) override;

  FilePtr openRead(const Text& path, OpenMode mode);
  FilePtr openWrite(const Text& path);
  FilePtr openUpdate(const Text& path);
  FilePtr openAppend(const Text& path);
  void closeFile(FilePtr& file) { file.reset(); }
  // Ends the request with "Cannot open file" when reading `file` failed.
  void checkRead(const FilePtr& file, const Text& path);
  // The whole of a small file read on every request (IfExists or Required),
  // from the resident process's cache while the file is unchanged. False
  // when an IfExists file is missing; anything else unreadable ends the
  // request with "Cannot open file".
  bool readWholeFile(const Text& path, OpenMode mode, Text& content);
  bool fileExists(const Text& path) const;
  void createEmptyFile(const Text& path);

  // Starts rewriting `target` through `temp`; "Cannot create file" names
  // `reported` when the temporary file cannot be created.
  void openReplacement(AtomicFile& file, const Text& target, const Text& temp,
                       const Text& reported);
  // Puts the rewritten file in place; on failure the old file stays and the
  // request ends with "Cannot create file" naming `reported`.
  void commitReplacement(AtomicFile& file, const Text& reported);

  // The system settings, read once at construction.
  Text settingsPath;
  SystemSettings settings;
  bool settingsChanged = false;

 protected:
  // The error page ends with the contact line and the administrator's mail link.
  void writeErrorFooter() override;

 private:
  void readSettings();
  // Gives each language the coding and charset of the settings and selects
  // the default language; the request's own choice is applied after it.
  void applyLanguageSettings();
};

// A temporary name beside `path` for a rewrite that no other process shares.
Text privateTempPath(const Text& path);
