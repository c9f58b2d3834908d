// Listing and sending a record's uploaded files.
#include "show/record_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "common/access/audit_action.h"
#include "common/catalog/upload_entry.h"
#include "common/catalog/upload_folder.h"
#include "common/cgi/cgi_streams.h"
#include "show/show_application.h"

namespace {

constexpr MessageTable kFilesHeading{"Files", "Datoteke"};
constexpr MessageTable kDownload{"Download", "Prenesi"};
constexpr MessageTable kBytes{"%ld bytes", "%ld bajtov"};
constexpr MessageTable kFileNotFound{"File <tt>%s</tt> not found",
                                     "Datoteke <tt>%s</tt> ni mogo&ccaron;e najti"};

// The upload entries among a record's values whose files lie in `folder`.
List<UploadEntry> presentFiles(const Record& record, const Text& folder) {
  List<UploadEntry> entries;
  for (const Field& field : record) {
    std::optional<UploadEntry> entry = parseUploadEntry(field.value.view());
    struct stat info;
    Text path = folder + (entry ? entry->storedName : Text());
    if (entry && ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
      entries.push_back(*entry);
  }
  return entries;
}

Markup downloadButton(ShowApplication& app, const ViewTarget& target, const UploadEntry& entry) {
  // The stored name is of the generated form: nothing in it needs escaping.
  Markup action = app.actionUrl(target) + "&amp;file=" + Markup(entry.storedName.view());
  return app.passwordButton(action, app.text(kDownload));
}

// The header's file name: printable ASCII for every client, and the exact
// bytes percent-encoded for those that read RFC 6266's filename*. No quote,
// backslash, CR or LF of the visitor's reaches the header.
Text dispositionLine(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  Text ascii, encoded;
  for (char c : name) {
    unsigned char byte = static_cast<unsigned char>(c);
    bool printable = byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\';
    ascii += printable ? c : '_';
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 15];
    }
  }
  return Text::format("Content-Disposition: attachment; filename=\"%s\"; filename*=UTF-8''%s\n",
                      ascii, encoded);
}

// The record of `label` in file order, with the file it lies in.
std::optional<std::pair<Record, const CatalogFile*>> findRecord(ShowApplication& app,
                                                                const CatalogFileList& files,
                                                                const Text& label) {
  RecordReader reader(app);
  std::optional<std::pair<Record, const CatalogFile*>> found;
  for (const CatalogFile& file : files) {
    reader.walkFile(file, [&](const RecordPlace& place, const Record* record) {
      if (place.label != label) return true;
      Record read;
      if (record)
        read = *record;
      else if (!reader.read(place, read))
        return true;
      found.emplace(read, &file);
      return false;
    });
    if (found) break;
  }
  return found;
}

[[noreturn]] void fileNotFound(ShowApplication& app, std::string_view name) {
  app.setStatus("404 Not Found");
  app.fatal(kFileNotFound, shortened(name, 40));
}

void streamFile(ShowApplication& app, int fd) {
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    app.writeDirect(std::string_view(buffer, static_cast<size_t>(got)));
  }
}

}  // namespace

Markup recordFilesSection(ShowApplication& app, const Record& record, const CatalogFile& file,
                          const ViewTarget& target) {
  Text folder = recordUploadFolder(file.path.view(), target.label.view());
  List<UploadEntry> entries = presentFiles(record, folder);
  if (entries.empty()) return Markup();
  Markup list = Markup::format("<h2>%s</h2>\n<ul>\n", app.text(kFilesHeading));
  for (const UploadEntry& entry : entries) {
    Markup size = Markup::format(app.text(kBytes), static_cast<long>(entry.size));
    list += Markup::format("<li>%s (%s) %s</li>\n", entry.originalName, size,
                           downloadButton(app, target, entry));
  }
  return list + "</ul>\n";
}

void sendRecordFile(ShowApplication& app, const CatalogFileList& files, const ViewTarget& target,
                    std::string_view storedName) {
  if (!isStoredUploadName(storedName)) fileNotFound(app, storedName);
  auto found = findRecord(app, files, target.label);
  if (!found) fileNotFound(app, storedName);
  const auto& [record, file] = *found;
  std::optional<UploadEntry> named;
  for (const Field& field : record) {
    std::optional<UploadEntry> entry = parseUploadEntry(field.value.view());
    if (entry && entry->storedName == storedName && !named) named = entry;
  }
  if (!named) fileNotFound(app, storedName);
  auditAction(app, "file downloaded", app.groupSettingsName, file->name,
              target.label + " " + named->storedName);
  Text path = recordUploadFolder(file->path.view(), target.label.view()) + named->storedName;
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  struct stat info;
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    if (fd >= 0) ::close(fd);
    fileNotFound(app, storedName);
  }
  app.writeHeader("application/octet-stream",
                  dispositionLine(named->originalName.view()) +
                      Text::format("Content-Length: %ld\n", static_cast<long>(info.st_size)));
  streamFile(app, fd);
  ::close(fd);
}
