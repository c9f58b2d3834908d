// Counting the submissions of each client address and network under the
// rate file's own lock, so that simultaneous submissions are counted one
// after the other.
#include "insert/submission_rate.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <iterator>

#include "common/access/address_storage.h"
#include "common/access/client_address.h"
#include "common/catalog/spam_messages.h"
#include "common/files/state_file.h"
#include "common/settings/catalog_group.h"
#include "common/text/file_lines.h"
#include "insert/spam_defence.h"

namespace {

long inWindow(std::span<const long> times, const RateWindow& window, long now) {
  return std::count_if(times.begin(), times.end(),
                       [&](long time) { return time > now - window.seconds; });
}

}  // namespace

long SubmissionRates::longestWindow() const {
  long longest = 0;
  for (const RateWindow& window : limits_) longest = std::max(longest, window.seconds);
  for (const RateWindow& window : networkLimits_) longest = std::max(longest, window.seconds);
  return longest;
}

size_t SubmissionRates::mostKept() const {
  long most = 0;
  for (const RateWindow& window : limits_) most = std::max(most, window.count);
  for (const RateWindow& window : networkLimits_) most = std::max(most, window.count);
  return static_cast<size_t>(most);
}

// From the end: the clients seen last are the likeliest to come again, and a
// key counted again has its live entry after the one it left.
std::vector<SubmissionRates::Entry>::const_iterator SubmissionRates::find(
    std::string_view key) const {
  auto found = std::find_if(entries_.rbegin(), entries_.rend(),
                            [&](const Entry& entry) { return lines_.view(entry.key) == key; });
  return found == entries_.rend() ? entries_.end() : std::prev(found.base());
}

std::span<const long> SubmissionRates::timesOf(const Entry& entry) const {
  return std::span<const long>(times_).subspan(entry.firstTime, entry.timeCount);
}

void SubmissionRates::read(std::string text) {
  entries_.clear();
  times_.clear();
  std::string_view held = lines_.reset(std::move(text));
  entries_.reserve(held.size() / 20 + 1);  // a line is some 24 bytes
  times_.reserve(held.size() / 11 + 1);    // a time is ten digits and a blank
  size_t kept = mostKept();
  std::string_view line;
  for (size_t at = 0; takeLine(held, at, line);) {
    std::string_view whole = line;
    std::string_view key = takeWord(line);
    Entry entry{lines_.pieceOf(key), {}, static_cast<uint32_t>(times_.size()), 0};
    bool asWritten = true;
    std::string_view word;
    while (!line.empty()) {
      word = takeWord(line);
      long time = 0;
      bool read = readWordLong(word, time) && entry.timeCount < kept;
      if (read) {
        times_.push_back(time);
        ++entry.timeCount;
      }
      asWritten = asWritten && read && writtenAsRead(word);
    }
    if (key.empty() || entry.timeCount == 0) {
      times_.resize(entry.firstTime);
      continue;
    }
    if (asWritten && word.end() == whole.end()) entry.line = lines_.pieceOf(whole);
    entries_.push_back(entry);
  }
}

// Written straight into one string: the file is rewritten on every
// submission, and a busy group's holds thousands of lines.
std::string SubmissionRates::text(long now) const {
  std::string text;
  text.reserve(entries_.size() * 32);
  long oldest = now - longestWindow();
  char digits[24];
  auto live = static_cast<size_t>(std::count_if(
      entries_.begin(), entries_.end(), [](const Entry& entry) { return entry.timeCount > 0; }));
  size_t dropped = live > kMaxAddresses ? live - kMaxAddresses : 0;
  for (const Entry& entry : entries_) {
    if (entry.timeCount == 0) continue;  // left for a later entry of its key
    if (dropped > 0) {
      --dropped;
      continue;
    }
    std::span<const long> times = timesOf(entry);
    size_t recent = static_cast<size_t>(
        std::count_if(times.begin(), times.end(), [&](long time) { return time > oldest; }));
    if (recent == 0) continue;
    if (recent == times.size() && entry.line.length > 0) {
      text += lines_.view(entry.line);
    } else {
      text += lines_.view(entry.key);
      for (long time : times) {
        if (time <= oldest) continue;
        text += ' ';
        text.append(digits, std::to_chars(digits, digits + sizeof digits, time).ptr);
      }
    }
    text += '\n';
  }
  // Limits with large counts give long lines: a file longer than is read
  // would lose its newest lines, the ones that count.
  if (text.size() > static_cast<size_t>(kMaxBytes)) {
    size_t cut = text.find('\n', text.size() - static_cast<size_t>(kMaxBytes) - 1);
    text.erase(0, cut + 1);
  }
  return text;
}

bool SubmissionRates::full(std::string_view key, const List<RateWindow>& limits, long now) const {
  auto entry = find(key);
  if (entry == entries_.end()) return false;
  for (const RateWindow& window : limits)
    if (inWindow(timesOf(*entry), window, now) >= window.count) return true;
  return false;
}

double SubmissionRates::filled(std::string_view key, const List<RateWindow>& limits,
                               long now) const {
  auto entry = find(key);
  double fullest = 0;
  for (const RateWindow& window : limits) {
    if (entry == entries_.end()) break;
    double share = static_cast<double>(inWindow(timesOf(*entry), window, now)) /
                   static_cast<double>(window.count);
    fullest = std::max(fullest, std::min(share, 1.0));
  }
  return fullest;
}

// The entry moves to the end: the least recently seen are the first to go.
// The one it leaves is emptied rather than erased, which would move all
// that follow it.
void SubmissionRates::count(std::string_view key, long now) {
  auto found = find(key);
  Entry entry;
  auto moved = static_cast<uint32_t>(times_.size());
  if (found == entries_.end()) {
    entry.key = lines_.add(key);
  } else {
    Entry& left = entries_[static_cast<size_t>(found - entries_.begin())];
    entry = left;
    left.timeCount = 0;
    for (uint32_t i = 0; i < entry.timeCount; ++i) times_.push_back(times_[entry.firstTime + i]);
  }
  entry.firstTime = moved;
  entry.line = {};
  times_.push_back(now);
  if (++entry.timeCount > mostKept()) {
    ++entry.firstTime;
    --entry.timeCount;
  }
  entries_.push_back(entry);
}

bool SubmissionRates::admit(std::string_view address, long now) {
  if (full(address, limits_, now)) return false;
  count(address, now);
  return true;
}

namespace {

enum class RateOutcome { Admitted, AddressFull, NetworkFull };

RateOutcome admitToRates(CatalogGroup& app, SubmissionRates& rates,
                         const List<RateWindow>& networkLimits, long now) {
  Text address = clientAddress(app);
  Text client = clientKey(address.view());
  Text network = addressNetwork(address.view());
  const List<RateWindow>& limits = app.options.spam.rateLimits;
  if (rates.full(client.view(), limits, now)) return RateOutcome::AddressFull;
  bool networks = !networkLimits.empty();
  if (networks && rates.full(network.view(), networkLimits, now)) return RateOutcome::NetworkFull;
  if (!limits.empty()) rates.count(client.view(), now);
  if (networks) rates.count(network.view(), now);
  return RateOutcome::Admitted;
}

}  // namespace

void refuseOverRate(CatalogGroup& app) {
  const List<RateWindow>& limits = app.options.spam.rateLimits;
  List<RateWindow> networkLimits = networkRateLimits(app.options.spam);
  if (limits.empty() && networkLimits.empty()) return;
  Text path = app.groupPath + ".rate";
  LockedStateFile file;
  if (!file.open(path)) app.fatal(messages::kCreateFailed, path);
  SubmissionRates rates(limits, networkLimits);
  rates.read(file.read(SubmissionRates::kMaxBytes));
  long now = static_cast<long>(std::time(nullptr));
  RateOutcome outcome = admitToRates(app, rates, networkLimits, now);
  if (!file.replace(rates.text(now))) app.fatal(messages::kCreateFailed, path);
  file.close();
  if (outcome == RateOutcome::Admitted) return;
  countSubmission(app, "refused_rate_limit");
  countSpamLayers(app, {outcome == RateOutcome::AddressFull ? "rate_limit" : "rate_limit_network"});
  app.setStatus("429 Too Many Requests");
  app.fatal(spamMessages::kTooManySubmissions);
}

double networkRateFilled(CatalogGroup& app) {
  List<RateWindow> networkLimits = networkRateLimits(app.options.spam);
  if (networkLimits.empty()) return 0;
  LockedStateFile file;
  if (!file.open(app.groupPath + ".rate")) return 0;
  SubmissionRates rates(app.options.spam.rateLimits, networkLimits);
  rates.read(file.read(SubmissionRates::kMaxBytes));
  long now = static_cast<long>(std::time(nullptr));
  return rates.filled(addressNetwork(clientAddress(app).view()).view(), networkLimits, now);
}
