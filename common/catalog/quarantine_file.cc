// Reading and rewriting the quarantine file of a group, its counter and the
// removal of records that stayed too long.
#include "common/catalog/quarantine_file.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>

#include "common/catalog/item_record.h"
#include "common/catalog/line_source.h"
#include "common/catalog/upload_folder.h"
#include "common/catalog/upload_space.h"
#include "common/files/atomic_file.h"
#include "common/files/path.h"

namespace {

constexpr std::string_view kCatalogName = "&CATALOG";
constexpr std::string_view kReasonName = "&QUARANTINE";

class QuarantineSink : public FieldSink {
 public:
  explicit QuarantineSink(QuarantinedRecord& record) : record_(record) {}
  void field(std::string_view name, std::string_view value) override {
    if (takeAutomaticField(record_.automatic, name, value)) return;
    if (equalsIgnoreCase(name, kCatalogName)) {
      record_.catalog = Text(value);
    } else if (equalsIgnoreCase(name, kReasonName)) {
      record_.reason = Text(value);
    } else {
      record_.fields.add(name, value, AddMode::Append);
    }
  }

 private:
  QuarantinedRecord& record_;
};

int digits(const Text& text, long from, long count) {
  int value = 0;
  for (long i = from; i < from + count && i < text.length(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

DateTime QuarantinedRecord::sent() const {
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

Text quarantinePath(const Text& groupPath) { return groupPath + ".quarantine"; }
Text quarantineCounterPath(const Text& groupPath) { return groupPath + ".quarantine.count"; }

Text quarantineRecordText(const AutomaticValues& automatic, std::string_view catalog,
                          std::string_view reason, const ParamList& posted) {
  Text text = itemAutomaticLines(automatic, AutomaticFields());
  text += itemFieldLine(kCatalogName, singleLine(catalog).view());
  text += itemFieldLine(kReasonName, singleLine(reason).view());
  Text record = itemRecordText(automatic, AutomaticFields(), posted);
  text += record.view().substr(itemAutomaticLines(automatic, AutomaticFields()).length());
  return text;
}

QuarantineReader::QuarantineReader(const Text& path) {
  file_ = std::fopen(path.c_str(), "rb");
  if (file_) lines_ = std::make_unique<BlockLines>(file_, kPieceSize);
}

QuarantineReader::~QuarantineReader() {
  lines_.reset();
  if (file_) std::fclose(file_);
}

bool QuarantineReader::next(QuarantinedRecord& record) {
  if (!lines_) return false;
  for (;;) {
    record = QuarantinedRecord();
    QuarantineSink sink(record);
    if (readItemRecord(*lines_, sink, &record.text) != RecordRead::Record) return false;
    if (!record.label().empty()) return true;
  }
}

bool rewriteQuarantine(const Text& path,
                       const std::function<bool(const QuarantinedRecord&)>& keep) {
  AtomicFile file;
  if (!file.open(path, path + ".tmp")) return false;
  QuarantineReader reader(path);
  QuarantinedRecord record;
  while (reader.next(record)) {
    if (keep(record)) std::fwrite(record.text.c_str(), 1, record.text.str().size(), file.file());
  }
  return file.commit();
}

void removeQuarantineUploads(const Text& groupPath, std::string_view label) {
  Text folder = recordUploadFolder(quarantinePath(groupPath).view(), label);
  long long bytes = folderBytes(folder);
  std::error_code ignored;
  if (std::filesystem::remove_all(folder.str(), ignored) > 0) addUploadSpace(groupPath, -bytes);
}

namespace {

bool expired(const QuarantinedRecord& record, long today, long days) {
  DateTime sent = record.sent();
  return today - daysSinceEpoch(sent.year, sent.month, sent.day) > days;
}

}  // namespace

bool dropExpiredQuarantine(const Text& groupPath, const DateTime& now, long days) {
  Text path = quarantinePath(groupPath);
  long today = daysSinceEpoch(now.year, now.month, now.day);
  {
    QuarantineReader reader(path);
    QuarantinedRecord first;
    if (!reader.next(first) || !expired(first, today, days)) return true;
  }
  List<Text> gone;
  bool written = rewriteQuarantine(path, [&](const QuarantinedRecord& record) {
    if (!expired(record, today, days)) return true;
    gone.push_back(record.label());
    return false;
  });
  if (!written) return false;
  for (const Text& label : gone) removeQuarantineUploads(groupPath, label.view());
  return true;
}

Text takeQuarantineLabel(const Text& groupPath, const Text& labelPrefix) {
  Text path = quarantineCounterPath(groupPath);
  long count =
      std::clamp(leadingNumber(readFileBytes(path, nullptr, 40).view()), 0L, LONG_MAX - 1) + 1;
  AtomicFile file;
  if (!file.open(path, path + ".tmp")) return Text();
  Text line = Text::fromInt(count, 0) + "\n";
  std::fwrite(line.c_str(), 1, line.str().size(), file.file());
  if (!file.commit()) return Text();
  return labelPrefix + Text::fromInt(count, 0);
}
