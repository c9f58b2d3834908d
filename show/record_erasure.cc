// Taking a record out of its catalog file and its index, with its uploads.
#include "show/record_erasure.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "common/access/audit_action.h"
#include "common/access/client_address.h"
#include "common/catalog/index_entry.h"
#include "common/catalog/line_source.h"
#include "common/catalog/upload_folder.h"
#include "common/catalog/upload_space.h"
#include "common/cgi/raw_fields.h"
#include "common/files/group_lock.h"
#include "common/files/path.h"
#include "common/text/file_lines.h"
#include "show/mail_status.h"
#include "show/record_reader.h"
#include "show/show_application.h"
#include "show/show_texts.h"

namespace {

// The bytes a record takes in its file: from its first byte to the first
// byte of the next record (blank lines between them go with it).
struct RecordSpan {
  const CatalogFile* file = nullptr;
  long offset = 0;
  long end = -1;  // -1: to the end of the file
};

// The record labelled `label`, searched in file order (an index may be out
// of step with its catalog; the file itself never is).
std::optional<RecordSpan> findSpan(RecordReader& reader, const CatalogFileList& files,
                                   const Text& label) {
  std::optional<RecordSpan> span;
  for (const CatalogFile& file : files) {
    reader.walkFile(file, [&](const RecordPlace& place, const Record*) {
      if (span) {
        span->end = place.offset;
        return false;
      }
      if (place.label == label) span = RecordSpan{&file, place.offset, -1};
      return true;
    });
    if (span) break;
  }
  return span;
}

bool copyBytes(std::FILE* from, std::FILE* to, long count) {
  char buffer[64 * 1024];
  while (count != 0) {
    size_t want = count < 0 ? sizeof buffer : std::min<size_t>(sizeof buffer, count);
    size_t got = std::fread(buffer, 1, want, from);
    if (got == 0) return count < 0 && !std::ferror(from);
    if (std::fwrite(buffer, 1, got, to) != got) return false;
    if (count > 0) count -= static_cast<long>(got);
  }
  return true;
}

// A failed write shows when the temporary file is committed.
void flushTo(std::FILE* file, Text& out) {
  std::fwrite(out.c_str(), 1, out.str().size(), file);
  out = Text();
}

// The catalog file without the span, ready to be put in place.
void writeCatalogWithout(ShowApplication& app, const RecordSpan& span, AtomicFile& temp) {
  const Text& path = span.file->path;
  FilePtr old = app.openRead(path, OpenMode::Required);
  app.openReplacement(temp, path, privateTempPath(path), path);
  bool copied = copyBytes(old.get(), temp.file(), span.offset) &&
                (span.end < 0 || (std::fseek(old.get(), span.end, SEEK_SET) == 0 &&
                                  copyBytes(old.get(), temp.file(), -1)));
  if (!copied) app.fatal(messages::kCreateFailed, path);
}

// The index without the record's entry; the entries of later records of the
// same file move back by the record's length. Entries of other catalogs of
// a common index stay byte for byte.
void writeIndexWithout(ShowApplication& app, const Text& indexPath, const RecordSpan& span,
                       long removed, const Text& label, AtomicFile& temp) {
  FilePtr old = app.openRead(indexPath, OpenMode::Required);
  app.openReplacement(temp, indexPath, privateTempPath(indexPath), indexPath);
  bool common = entriesNameCatalog(app.group.indexMode);
  BlockLines lines(old.get());
  std::string_view line;
  Text out;
  while (lines.next(line)) {
    IndexEntry entry = parseIndexEntry(line, common);
    bool ofThisFile =
        !line.empty() && (!common || entry.catalogName.equalsIgnoreCase(span.file->name));
    if (ofThisFile && entry.label == label && entry.offset == span.offset) continue;
    if (ofThisFile && entry.offset > span.offset) {
      entry.offset -= removed;
      appendIndexEntry(out, entry, common);
    } else {
      out += line;
      out += "\n";
    }
    if (out.length() >= 64 * 1024) flushTo(temp.file(), out);
  }
  flushTo(temp.file(), out);
}

long spanLength(const RecordSpan& span) {
  if (span.end >= 0) return span.end - span.offset;
  std::error_code error;
  auto size = std::filesystem::file_size(span.file->path.str(), error);
  return error ? 0 : static_cast<long>(size) - span.offset;
}

Text logLine(ShowApplication& app, const RecordSpan& span, const Text& label) {
  const DateTime& now = app.today;
  Text line = Text::fromInt(now.year, 4) + "-" + Text::fromInt(now.month, 2) + "-" +
              Text::fromInt(now.day, 2) + " " + Text::fromInt(now.hour, 2) + ":" +
              Text::fromInt(now.minute, 2);
  for (const Text& part : {app.groupSettingsName, span.file->name, label, clientAddress(app)}) {
    Text value = oneLine(part);
    value.replaceChar('\t', ' ');
    line += "\t";
    line += value;
  }
  line += "\n";
  return line;
}

// The log is opened before anything is erased, so no erasure goes unlogged.
int openDeletionLog(ShowApplication& app) {
  Text path = makePath(app.home(), kDeletionLogName);
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) app.fatal(messages::kCreateFailed, path);
  return fd;
}

void erase(ShowApplication& app, const CatalogFileList& files, const Text& label) {
  GroupLock lock;
  if (!lock.acquire(app.groupPath))
    app.fatal(messages::kCreateFailed, GroupLock::lockPath(app.groupPath));
  RecordReader reader(app);
  std::optional<RecordSpan> span = findSpan(reader, files, label);
  if (!span) app.fatal(showTexts::kRecordNotFound, label);
  AuditedAction audit(app, "record erased");
  int log = openDeletionLog(app);
  long removed = spanLength(*span);
  AtomicFile catalog, index;
  writeCatalogWithout(app, *span, catalog);
  Text indexPath = reader.indexPath(*span->file);
  bool indexed = !indexPath.empty() && app.fileExists(indexPath);
  if (indexed) writeIndexWithout(app, indexPath, *span, removed, label, index);
  app.commitReplacement(catalog, span->file->path);
  if (indexed) app.commitReplacement(index, indexPath);
  Text folder = recordUploadFolder(span->file->path, label);
  long long bytes = folderBytes(folder);
  std::error_code ignored;
  if (std::filesystem::remove_all(folder.str(), ignored) > 0) addUploadSpace(app.groupPath, -bytes);
  dropRecordMails(app, label);
  Text line = logLine(app, *span, label);
  bool logged = ::write(log, line.c_str(), line.str().size()) == line.length() && fsync(log) == 0;
  ::close(log);
  if (!logged) app.fatal(messages::kCreateFailed, makePath(app.home(), kDeletionLogName));
  audit.done(app.groupSettingsName, span->file->name, label);
}

Markup confirmationForm(ShowApplication& app, const ViewTarget& target) {
  using namespace showTexts;
  return app.passwordButton(app.actionUrl(target), app.text(kEraseConfirm),
                            {{"confirm", target.label}}) +
         "\n";
}

}  // namespace

void writeErasurePage(ShowApplication& app, const CatalogFileList& files,
                      const ViewTarget& target) {
  using namespace showTexts;
  Markup label = Markup::format("<tt>%s</tt>", target.label);
  Text confirmed = rawPostedField(app.rawBody().view(), "confirm");
  if (confirmed.empty() || confirmed != target.label) {
    RecordReader reader(app);
    if (!findSpan(reader, files, target.label)) app.fatal(kRecordNotFound, target.label);
    Markup body =
        Markup::format("<h1>%s</h1>\n<p>%s</p>\n<div>",
                       Markup::format(app.text(kEraseTitle), label), app.text(kEraseWarning));
    body += confirmationForm(app, target);
    ViewTarget back{target.label, target.catalog, 0, false};
    body += app.button(back, app.text(kEraseCancel)) + "</div>\n";
    app.writePage(Markup::format(app.text(kEraseTitle), target.label), body);
    return;
  }
  erase(app, files, target.label);
  Markup body = Markup::format("<h1>%s</h1>\n<div>", Markup::format(app.text(kErasedTitle), label));
  body += app.button({"", target.catalog, 0, false}, app.text(kAllRecords)) + "</div>\n";
  app.writePage(Markup::format(app.text(kErasedTitle), target.label), body);
}
