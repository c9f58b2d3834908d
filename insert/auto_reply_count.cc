// Counting the mails to visitors of one day under the state file's own lock,
// so that simultaneous submissions are counted one after the other.
#include "insert/auto_reply_count.h"

#include <algorithm>
#include <charconv>

#include "common/access/address_storage.h"
#include "common/files/path.h"
#include "common/files/state_file.h"
#include "common/mail/reply_counter.h"
#include "common/settings/catalog_group.h"
#include "common/text/file_lines.h"

namespace {

constexpr std::string_view kTotalKey = "*";

bool readLong(std::string_view word, long& value) {
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  return !word.empty() && error == std::errc() && end == word.data() + word.size() && value >= 0;
}

std::string dayOf(const DateTime& sent) {
  return std::string(
      (Text::fromInt(sent.year, 4) + Text::fromInt(sent.month, 2) + Text::fromInt(sent.day, 2))
          .view());
}

}  // namespace

AutoReplyCounts::Entry* AutoReplyCounts::find(std::string_view key) {
  auto found = std::find_if(entries_.begin(), entries_.end(),
                            [&](const Entry& entry) { return entry.key == key; });
  return found == entries_.end() ? nullptr : &*found;
}

void AutoReplyCounts::read(std::string_view text, std::string_view day) {
  day_ = std::string(day);
  entries_.clear();
  std::string_view line;
  for (size_t at = 0; takeLine(text, at, line) && entries_.size() <= kMaxAddresses;) {
    if (takeWord(line) != day) continue;
    std::string_view key = takeWord(line);
    long count = 0;
    if (key.empty() || !readLong(line, count) || find(key)) continue;
    entries_.push_back({std::string(key), count});
  }
}

std::string AutoReplyCounts::text() const {
  std::string text;
  for (const Entry& entry : entries_)
    text += day_ + ' ' + entry.key + ' ' + std::to_string(entry.count) + '\n';
  return text;
}

bool AutoReplyCounts::admit(std::string_view key) {
  Entry* total = find(kTotalKey);
  Entry* address = find(key);
  if ((total && total->count >= perDay_) || (address && address->count >= perAddress_) ||
      perDay_ <= 0 || perAddress_ <= 0)
    return false;
  if (!address && entries_.size() > kMaxAddresses) return false;
  if (!address) {
    entries_.push_back({std::string(key), 0});
    address = &entries_.back();
  }
  ++address->count;
  if (Entry* again = find(kTotalKey))
    ++again->count;
  else
    entries_.insert(entries_.begin(), Entry{std::string(kTotalKey), 1});
  return true;
}

bool admitAutoReply(CatalogGroup& app, std::string_view address, const DateTime& sent) {
  std::string key;
  if (!loadAddressKey(makePath(app.home(), kReplyKeyName), key)) return false;
  LockedStateFile file;
  if (!file.open(replyCountsPath(app.groupPath))) return false;
  const AutoReplyOptions& options = app.options.autoReply;
  AutoReplyCounts counts(options.perAddress, options.perDay);
  counts.read(file.read(1 << 20), dayOf(sent));
  if (!counts.admit(addressCountKey(key, address).view())) return false;
  return file.replace(counts.text());
}
