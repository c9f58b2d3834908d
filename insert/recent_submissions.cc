// Reading, searching and saving the recent submissions of a group.
#include "insert/recent_submissions.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <set>

#include "common/access/client_address.h"
#include "common/catalog/record_fields.h"
#include "common/files/state_file.h"
#include "common/settings/catalog_group.h"
#include "common/text/file_lines.h"

namespace {

constexpr unsigned long long kFnvStart = 14695981039346656037ULL;

void mix(unsigned long long& hash, std::string_view bytes) {
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  hash ^= 0xff;  // a separator no field byte can imitate alone
  hash *= 1099511628211ULL;
}

Text hexDigits(unsigned long long hash) {
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", hash);
  return Text(digits);
}

bool holdsLink(const Text& value) {
  Text lower = value;
  lower.toLower();
  return lower.view().find("http") != std::string_view::npos ||
         lower.view().find("www.") != std::string_view::npos;
}

}  // namespace

Text contentDigest(std::string_view formName, const ParamList& fields) {
  unsigned long long hash = kFnvStart;
  Text name(formName);
  name.toLower();
  mix(hash, name.view());
  for (const Param& field : fields) {
    mix(hash, field.name.view());
    mix(hash, field.value.view());
    for (const Text& further : field.further) mix(hash, further.view());
  }
  return hexDigits(hash);
}

Text linkTextDigest(const ParamList& fields) {
  const Text* longest = nullptr;
  for (const Param& field : fields) {
    for (size_t i = 0; i <= field.further.size(); ++i) {
      const Text& value = i == 0 ? field.value : field.further[i - 1];
      if (holdsLink(value) && (!longest || value.length() > longest->length())) longest = &value;
    }
  }
  if (!longest) return Text("-");
  unsigned long long hash = kFnvStart;
  mix(hash, longest->view());
  return hexDigits(hash);
}

void RecentSubmissions::read(std::string text) {
  entries_.clear();
  std::string_view held = words_.reset(std::move(text));
  entries_.reserve(held.size() / 48 + 1);  // a line is some 60 bytes
  std::string_view line;
  for (size_t at = 0; takeLine(held, at, line);) {
    std::string_view whole = line;
    std::string_view time = takeWord(line);
    Entry entry;
    if (!readWordLong(time, entry.time)) continue;
    entry.address = words_.pieceOf(takeWord(line));
    entry.digest = words_.pieceOf(takeWord(line));
    entry.textDigest = words_.pieceOf(takeWord(line));
    entry.label = words_.pieceOf(line);  // a label may hold blanks: the rest of the line
    if (entry.digest.length == 0 || entry.label.length == 0) continue;
    // With a label, each word above ended at a blank: the words rejoined are
    // the line.
    if (writtenAsRead(time)) entry.line = words_.pieceOf(whole);
    entries_.push_back(entry);
  }
}

std::string RecentSubmissions::text(long now) const {
  std::string text;
  text.reserve(entries_.size() * 64);
  char digits[24];
  size_t skip = entries_.size() > kMaxEntries ? entries_.size() - kMaxEntries : 0;
  for (size_t i = skip; i < entries_.size(); ++i) {
    const Entry& entry = entries_[i];
    if (!recent(entry, now)) continue;
    if (entry.line.length > 0) {
      text += word(entry.line);
    } else {
      text.append(digits, std::to_chars(digits, digits + sizeof digits, entry.time).ptr);
      for (TextPool::Piece part : {entry.address, entry.digest, entry.textDigest, entry.label}) {
        text += ' ';
        text += word(part);
      }
    }
    text += '\n';
  }
  return text;
}

Text RecentSubmissions::earlierLabel(std::string_view address, std::string_view digest,
                                     long now) const {
  for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
    if (recent(*entry, now) && word(entry->address) == address && word(entry->digest) == digest)
      return Text(word(entry->label));
  }
  return Text();
}

int RecentSubmissions::otherAddresses(std::string_view address, std::string_view textDigest,
                                      long now) const {
  if (textDigest == "-") return 0;
  std::set<std::string_view> others;
  for (const Entry& entry : entries_) {
    if (recent(entry, now) && word(entry.textDigest) == textDigest &&
        word(entry.address) != address)
      others.insert(word(entry.address));
  }
  return static_cast<int>(others.size());
}

void RecentSubmissions::note(std::string_view address, std::string_view digest,
                             std::string_view textDigest, std::string_view label, long now) {
  entries_.push_back(Entry{
      now, words_.add(address), words_.add(digest), words_.add(textDigest), words_.add(label), {}});
}

RecentSubmissionGuard::RecentSubmissionGuard(CatalogGroup& app, std::string_view formName)
    : app_(app),
      on_(app.options.spam.duplicateSeconds > 0),
      table_(app.options.spam.duplicateSeconds) {
  if (!on_) return;
  path_ = app.groupPath + ".recent";
  if (!file_.open(path_)) app.fatal(messages::kCreateFailed, path_);
  address_ = clientKey(clientAddress(app).view());
  digest_ = contentDigest(formName, app.postParams());
  textDigest_ = linkTextDigest(app.postParams());
  now_ = static_cast<long>(std::time(nullptr));
  table_.read(file_.read(1 << 20));
}

Text RecentSubmissionGuard::earlierLabel() const {
  return on_ ? table_.earlierLabel(address_.view(), digest_.view(), now_) : Text();
}

int RecentSubmissionGuard::otherAddresses() const {
  return on_ ? table_.otherAddresses(address_.view(), textDigest_.view(), now_) : 0;
}

void RecentSubmissionGuard::note(const Text& label) {
  if (!on_) return;
  table_.note(address_.view(), digest_.view(), textDigest_.view(), singleLine(label.view()).view(),
              now_);
  // The submission is stored already: a file that cannot be saved only
  // forgets it.
  file_.replace(table_.text(now_));
}
