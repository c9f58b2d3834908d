// Putting the entries of a rebuilt index in insertion order.
#include "lunoder/index_order.h"

#include <algorithm>

#include "common/catalog/sort_order.h"

namespace {

// The index is written in pieces of about this size.
constexpr size_t kChunk = 1 << 16;

}  // namespace

IndexOrder::IndexOrder(const GroupDescription& group, std::FILE* out)
    : mode_(group.insertMode),
      numeric_(group.sortNumeric),
      reverse_(group.sortReverse),
      out_(out) {}

void IndexOrder::add(std::string_view entry, std::string_view key) {
  if (mode_ == InsertMode::End) {
    pending_ += entry;
    if (pending_.str().size() >= kChunk) flush();
    return;
  }
  // A numeric order keeps the number, a byte-wise one the key's text.
  bool sorted = mode_ == InsertMode::Sorted;
  double number = sorted && numeric_ ? numericKey(key) : 0;
  if (!sorted || numeric_) key = {};
  entries_.push_back(Entry{keptText_.size(), static_cast<uint32_t>(entry.size()),
                           static_cast<uint32_t>(key.size()), number});
  keptText_.append(entry).append(key);
}

std::string_view IndexOrder::line(const Entry& entry) const {
  return std::string_view(keptText_).substr(entry.at, entry.lineLength);
}

std::string_view IndexOrder::key(const Entry& entry) const {
  return std::string_view(keptText_).substr(entry.at + entry.lineLength, entry.keyLength);
}

void IndexOrder::finish() {
  sortEntries();
  for (const Entry& entry : entries_) {
    pending_ += line(entry);
    if (pending_.str().size() >= kChunk) flush();
  }
  entries_.clear();
  keptText_.clear();
  flush();
}

// Each new record goes before the first old one it does not follow: in
// ascending order before its equals, so equal keys end newest first; in
// reverse order after them, so they keep file order. A stable sort of the
// entries with their ties in that order gives the same list.
void IndexOrder::sortEntries() {
  if (mode_ == InsertMode::Start || (mode_ == InsertMode::Sorted && !reverse_))
    std::reverse(entries_.begin(), entries_.end());
  if (mode_ != InsertMode::Sorted) return;
  auto less = [this](const Entry& a, const Entry& b) {
    return numeric_ ? a.number < b.number : key(a) < key(b);
  };
  if (reverse_) {
    std::stable_sort(entries_.begin(), entries_.end(),
                     [&](const Entry& a, const Entry& b) { return less(b, a); });
  } else {
    std::stable_sort(entries_.begin(), entries_.end(), less);
  }
}

void IndexOrder::flush() {
  std::fwrite(pending_.c_str(), 1, pending_.str().size(), out_);
  pending_.str().clear();
}
