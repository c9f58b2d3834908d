// Taking records out of their catalog file and its index, with their uploads.
#include "show/record_erasure.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
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
      if (place.label == label) span = RecordSpan{&file, place.offset, -1, label};
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

// The catalog file without the spans (closed, in file order), ready to be
// put in place.
void writeCatalogWithout(ShowApplication& app, const List<RecordSpan>& spans, AtomicFile& temp) {
  const Text& path = spans.front().file->path;
  FilePtr old = app.openRead(path, OpenMode::Required);
  app.openReplacement(temp, path, privateTempPath(path), path);
  long at = 0;
  bool copied = true;
  for (const RecordSpan& span : spans) {
    copied = copied && copyBytes(old.get(), temp.file(), span.offset - at) &&
             std::fseek(old.get(), span.end, SEEK_SET) == 0;
    at = span.end;
  }
  copied = copied && copyBytes(old.get(), temp.file(), -1);
  if (!copied) app.fatal(messages::kCreateFailed, path);
}

// The spans with the end of the file where they run to it.
List<RecordSpan> closedSpans(List<RecordSpan> spans) {
  std::error_code error;
  auto size = std::filesystem::file_size(spans.front().file->path.str(), error);
  for (RecordSpan& span : spans)
    if (span.end < 0) span.end = error ? span.offset : static_cast<long>(size);
  return spans;
}

// How far an entry at `offset` moves back: the lengths of the spans before it.
long removedBefore(const List<RecordSpan>& spans, long offset) {
  long removed = 0;
  for (const RecordSpan& span : spans)
    if (span.offset < offset) removed += span.end - span.offset;
  return removed;
}

bool isErased(const List<RecordSpan>& spans, const IndexEntry& entry) {
  return std::any_of(spans.begin(), spans.end(), [&](const RecordSpan& span) {
    return entry.label == span.label && entry.offset == span.offset;
  });
}

// The index without the records' entries; the entries of later records of
// the same file move back by the lengths taken out before them. Entries of
// other catalogs of a common index stay byte for byte.
void writeIndexWithout(ShowApplication& app, const Text& indexPath, const List<RecordSpan>& spans,
                       AtomicFile& temp) {
  FilePtr old = app.openRead(indexPath, OpenMode::Required);
  app.openReplacement(temp, indexPath, privateTempPath(indexPath), indexPath);
  bool common = entriesNameCatalog(app.group.indexMode);
  const Text& catalog = spans.front().file->name;
  BlockLines lines(old.get());
  std::string_view line;
  Text out;
  while (lines.next(line)) {
    IndexEntry entry = parseIndexEntry(line, common);
    bool ofThisFile = !line.empty() && (!common || entry.catalogName.equalsIgnoreCase(catalog));
    if (ofThisFile && isErased(spans, entry)) continue;
    long removed = ofThisFile ? removedBefore(spans, entry.offset) : 0;
    if (removed > 0) {
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

void removeUploads(ShowApplication& app, const RecordSpan& span) {
  Text folder = recordUploadFolder(span.file->path, span.label);
  long long bytes = folderBytes(folder);
  std::error_code ignored;
  if (std::filesystem::remove_all(folder.str(), ignored) > 0) addUploadSpace(app.groupPath, -bytes);
}

void erase(ShowApplication& app, const CatalogFileList& files, const Text& label) {
  GroupLock lock;
  if (!lock.acquire(app.groupPath))
    app.fatal(messages::kCreateFailed, GroupLock::lockPath(app.groupPath));
  RecordReader reader(app);
  std::optional<RecordSpan> span = findSpan(reader, files, label);
  if (!span) app.fatal(showTexts::kRecordNotFound, label);
  AuditedAction audit(app, "record erased");
  RecordEraser eraser(app);
  eraser.eraseFromFile({*span});
  eraser.finish();
  audit.done(app.groupSettingsName, span->file->name, label);
}

Markup confirmationForm(ShowApplication& app, const ViewTarget& target) {
  using namespace showTexts;
  return app.passwordButton(app.actionUrl(target), app.text(kEraseConfirm),
                            {{"confirm", target.label}}) +
         "\n";
}

}  // namespace

RecordEraser::RecordEraser(ShowApplication& app) : app_(app) {
  Text path = makePath(app.home(), kDeletionLogName);
  log_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (log_ < 0) app.fatal(messages::kCreateFailed, path);
}

RecordEraser::~RecordEraser() { ::close(log_); }

void RecordEraser::eraseFromFile(const List<RecordSpan>& found) {
  if (found.empty()) return;
  const CatalogFile& file = *found.front().file;
  List<RecordSpan> spans = closedSpans(found);
  AtomicFile catalog, index;
  writeCatalogWithout(app_, spans, catalog);
  Text indexPath = RecordReader(app_).indexPath(file);
  bool indexed = !indexPath.empty() && app_.fileExists(indexPath);
  if (indexed) writeIndexWithout(app_, indexPath, spans, index);
  app_.commitReplacement(catalog, file.path);
  if (indexed) app_.commitReplacement(index, indexPath);
  List<Text> labels;
  for (const RecordSpan& span : spans) {
    removeUploads(app_, span);
    labels.push_back(span.label);
  }
  dropRecordMails(app_, labels);
  for (const RecordSpan& span : spans) logErasure(file.name, span.label);
}

void RecordEraser::logErasure(const Text& catalog, const Text& label) {
  const DateTime& now = app_.today;
  Text line = Text::fromInt(now.year, 4) + "-" + Text::fromInt(now.month, 2) + "-" +
              Text::fromInt(now.day, 2) + " " + Text::fromInt(now.hour, 2) + ":" +
              Text::fromInt(now.minute, 2);
  for (const Text& part : {app_.groupSettingsName, catalog, label, clientAddress(app_)}) {
    Text value = oneLine(part);
    value.replaceChar('\t', ' ');
    line += "\t";
    line += value;
  }
  line += "\n";
  written_ = written_ && ::write(log_, line.c_str(), line.str().size()) == line.length();
}

void RecordEraser::finish() {
  if (!written_ || fsync(log_) != 0)
    app_.fatal(messages::kCreateFailed, makePath(app_.home(), kDeletionLogName));
}

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
