// Reading and rewriting a catalog's pending file.
#include "common/storing/pending_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/catalog/item_record.h"
#include "common/catalog/line_source.h"
#include "common/files/atomic_file.h"

namespace {

constexpr std::string_view kTokenName = "&TOKEN";
// Written only for a submission a spam rule scored: its confirmation sends
// no mail to the visitor.
constexpr std::string_view kNoReplyName = "&AUTOREPLY";

class PendingSink : public FieldSink {
 public:
  explicit PendingSink(PendingRecord& record) : record_(record) {}
  void field(std::string_view name, std::string_view value) override {
    if (takeAutomaticField(record_.automatic, name, value)) return;
    if (equalsIgnoreCase(name, kTokenName)) {
      record_.tokenHash = Text(value);
    } else if (equalsIgnoreCase(name, kNoReplyName)) {
      record_.mayReply = false;
    } else {
      record_.fields.add(name, value, AddMode::Append);
    }
  }

 private:
  PendingRecord& record_;
};

int digits(const Text& text, long from, long count) {
  int value = 0;
  for (long i = from; i < from + count && i < text.length(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

AutomaticFields labelOmitted() {
  AutomaticFields omitted;
  omitted.add(AutomaticField::Label);
  return omitted;
}

}  // namespace

DateTime PendingRecord::sent() const {
  const Text& date = automatic[AutomaticField::Date];
  const Text& time = automatic[AutomaticField::Time];
  DateTime when;
  when.year = digits(date, 0, 4);
  when.month = digits(date, 4, 2);
  when.day = digits(date, 6, 2);
  when.hour = digits(time, 0, 2);
  when.minute = digits(time, 2, 2);
  return when;
}

Text PendingRecord::id() const { return "pending-" + tokenHash.substring(0, 16); }

// A record without a readable date counts as sent long ago: nothing keeps
// a link alive for ever.
bool PendingRecord::expiredOn(long today, long days) const {
  DateTime when = sent();
  if (when.year == 0 || when.month == 0 || when.day == 0) return true;
  return today - daysSinceEpoch(when.year, when.month, when.day) > days;
}

Text pendingPath(std::string_view catalogPath) { return Text(catalogPath) + ".pending"; }

Text pendingRecordText(std::string_view tokenHash, const AutomaticValues& automatic,
                       const ParamList& posted, bool mayReply) {
  Text text = itemFieldLine(kTokenName, singleLine(tokenHash).view());
  if (!mayReply) text += itemFieldLine(kNoReplyName, "no");
  return text + itemRecordText(automatic, labelOmitted(), posted);
}

bool forEachPending(const Text& path, const std::function<bool(const PendingRecord&)>& visit) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return errno == ENOENT;
  BlockLines lines(file, 64 * 1024);
  RecordRead read;
  for (;;) {
    PendingRecord record;
    PendingSink sink(record);
    read = readItemRecord(lines, sink, &record.text);
    if (read != RecordRead::Record) break;
    if (record.tokenHash.empty()) continue;  // a stray empty line
    if (!visit(record)) break;
  }
  bool readThrough = read != RecordRead::Malformed && !std::ferror(file);
  std::fclose(file);
  return readThrough;
}

bool rewritePending(const Text& path, const std::function<bool(const PendingRecord&)>& keep) {
  AtomicFile file;
  if (!file.open(path, path + ".tmp")) return false;
  long kept = 0;
  bool read = forEachPending(path, [&](const PendingRecord& record) {
    if (!keep(record)) return true;
    std::fwrite(record.text.c_str(), 1, record.text.str().size(), file.file());
    ++kept;
    return true;
  });
  if (!read) return false;
  if (kept > 0) return file.commit();
  file.abandon();
  return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

long dropExpiredPending(const Text& path, long today, long days) {
  long due = 0;
  forEachPending(path, [&](const PendingRecord& record) {
    due += record.expiredOn(today, days) ? 1 : 0;
    return true;
  });
  if (due == 0) return 0;
  bool written = rewritePending(
      path, [&](const PendingRecord& record) { return !record.expiredOn(today, days); });
  return written ? due : -1;
}
