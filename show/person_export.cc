// Writing one person's records and files into a ZIP archive. The search runs
// once: records.json is written as records are found, and only where each
// record's files lie is kept until they follow it.
#include "show/person_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <optional>

#include "common/access/audit_action.h"
#include "common/catalog/quarantine_file.h"
#include "common/catalog/series.h"
#include "common/catalog/upload_entry.h"
#include "common/catalog/upload_folder.h"
#include "common/cgi/json_answer.h"
#include "common/mail/mail_text.h"
#include "show/person_search.h"
#include "show/show_application.h"
#include "show/show_texts.h"
#include "show/zip_stream.h"

namespace {

constexpr size_t kFlushSize = 64 * 1024;
// The folder of the archive that holds the files of records held in the
// quarantine (catalog folders are named after catalogs).
constexpr char kHeldFolder[] = "quarantine";

// One uploaded file: where it lies and its name in the archive.
struct ArchivedFile {
  Text path;
  Text name;
};

// A name as a folder of the archive: letters, digits, "-" and "_" kept,
// every other byte "_", so no name climbs out of its folder or hides.
Text archiveFolderName(std::string_view name) {
  Text folder;
  for (char c : name) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '_';
    folder += plain ? c : '_';
  }
  return folder.empty() ? Text("_") : folder;
}

// "20261208" as "2026-12-08" and "2305" as "23:05"; other values as stored.
Text isoDate(const Text& stored) {
  if (stored.length() != 8 || !allDecimalDigits(stored.view())) return stored;
  return stored.substring(0, 4) + "-" + stored.substring(4, 2) + "-" + stored.substring(6, 2);
}

Text isoTime(const Text& stored) {
  if (stored.length() != 4 || !allDecimalDigits(stored.view())) return stored;
  return stored.substring(0, 2) + ":" + stored.substring(2, 2);
}

// Writes one record's object of records.json and notes its files.
class RecordsJson {
 public:
  RecordsJson(ShowApplication& app, const PersonQuery& query, ZipStream& zip)
      : app_(app), query_(query), zip_(zip) {}

  void add(const PersonRecord& where, const Record& record) {
    out_ += first_ ? "[\n{" : ",\n{";
    first_ = false;
    member("catalog", where.catalog);
    out_ += ',';
    member("label", where.label);
    out_ += ',';
    member("date", isoDate(fieldValue(record, "&date")));
    out_ += ',';
    member("time", isoTime(fieldValue(record, "&time")));
    out_ += where.held ? ",\"quarantined\":true" : ",\"quarantined\":false";
    // Only a group with double opt-in has them: other exports stay as they were.
    if (where.pending) out_ += ",\"pending\":true";
    out_ += ",\"fields\":[";
    addFields(where, record);
    out_ += "]}";
    if (out_.str().size() >= kFlushSize) flush();
  }

  // Ends the array and writes what is left.
  void finish() {
    out_ += first_ ? "[]\n" : "\n]\n";
    flush();
  }

  const List<ArchivedFile>& files() const { return files_; }

 private:
  void member(std::string_view name, const Text& value) {
    out_ += jsonString(name);
    out_ += ':';
    out_ += jsonString(mailUtf8(value.view(), query_.charset).view());
  }

  // The fields in record order; an uploaded file's field names its file in
  // the archive.
  void addFields(const PersonRecord& where, const Record& record) {
    Text folder = uploadFolder(where);
    Text archiveFolder =
        (where.held ? Text(kHeldFolder) : archiveFolderName(where.catalog.view())) + "/" +
        archiveFolderName(where.label.view()) + "/";
    int number = 0;
    bool firstField = true;
    for (const Field& field : record) {
      out_ += firstField ? "{" : ",{";
      firstField = false;
      member("name", field.name);
      out_ += ',';
      member("value", field.value);
      if (std::optional<Text> path = uploadPath(folder, field.value)) {
        Text name = archiveFolder + storedUploadName(++number);
        files_.push_back({*path, name});
        out_ += ",\"file\":";
        out_ += jsonString(name.view());
      }
      out_ += '}';
    }
  }

  // A record without a label has no folder of its own that can be found.
  Text uploadFolder(const PersonRecord& where) const {
    if (where.label.empty() || where.pending) return Text();
    if (where.held) return recordUploadFolder(quarantinePath(app_.groupPath).view(), where.label);
    return recordUploadFolder(where.file->path.view(), where.label.view());
  }

  // The file a value names when it is an upload entry and the file lies,
  // a regular file, in the record's folder.
  static std::optional<Text> uploadPath(const Text& folder, const Text& value) {
    if (folder.empty()) return std::nullopt;
    std::optional<UploadEntry> entry = parseUploadEntry(value.view());
    if (!entry) return std::nullopt;
    Text path = folder + entry->storedName;
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return path;
  }

  void flush() {
    zip_.write(out_.view());
    out_ = Text();
  }

  ShowApplication& app_;
  const PersonQuery& query_;
  ZipStream& zip_;
  Text out_;
  bool first_ = true;
  List<ArchivedFile> files_;
};

// A file that went away since it was found is left out.
void addFile(ZipStream& zip, const ArchivedFile& file, std::time_t now) {
  int fd = ::open(file.path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
      zip.beginFile(file.name.view(), info.st_size, now)) {
    char buffer[64 * 1024];
    long long left = info.st_size;
    while (left > 0) {
      ssize_t got =
          ::read(fd, buffer, static_cast<size_t>(std::min<long long>(left, sizeof buffer)));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0 || !zip.write(std::string_view(buffer, static_cast<size_t>(got)))) break;
      left -= got;
    }
  }
  ::close(fd);
}

}  // namespace

void exportPersonData(ShowApplication& app, PersonSearch& search) {
  if (!ZipStream::available()) app.fatal(showTexts::kZipUnavailable);
  auditAction(app, "person exported", app.groupSettingsName.view());
  app.writeHeader(
      "application/zip",
      Text::format("Content-Disposition: attachment; filename=\"%s\"\n", kPersonZipName));
  std::time_t now = std::time(nullptr);
  ZipStream zip(app);
  zip.beginText("records.json", now);
  RecordsJson json(app, search.query(), zip);
  search.eachRecord(
      [&](const PersonRecord& where, const Record& record) { json.add(where, record); });
  json.finish();
  for (const ArchivedFile& file : json.files()) addFile(zip, file, now);
  zip.close();
}
