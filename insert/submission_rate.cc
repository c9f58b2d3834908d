// Counting the submissions of each client address and network under the
// rate file's own lock, so that simultaneous submissions are counted one
// after the other.
#include "insert/submission_rate.h"

#include <algorithm>
#include <charconv>
#include <ctime>

#include "common/access/address_storage.h"
#include "common/access/client_address.h"
#include "common/catalog/spam_messages.h"
#include "common/files/state_file.h"
#include "common/settings/catalog_group.h"
#include "common/text/file_lines.h"
#include "insert/spam_defence.h"

namespace {

long inWindow(const std::vector<long>& times, const RateWindow& window, long now) {
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

const SubmissionRates::Entry* SubmissionRates::find(std::string_view key) const {
  auto found = std::find_if(entries_.begin(), entries_.end(),
                            [&](const Entry& entry) { return entry.address == key; });
  return found == entries_.end() ? nullptr : &*found;
}

void SubmissionRates::read(std::string_view text) {
  entries_.clear();
  size_t kept = mostKept();
  std::string_view line;
  for (size_t at = 0; takeLine(text, at, line);) {
    Entry entry{std::string(takeWord(line)), {}};
    while (!line.empty()) {
      long time = 0;
      if (readWordLong(takeWord(line), time) && entry.times.size() < kept)
        entry.times.push_back(time);
    }
    if (!entry.address.empty() && !entry.times.empty()) entries_.push_back(std::move(entry));
  }
}

// Written straight into one string: the file is rewritten on every
// submission, and a busy group's holds thousands of lines.
std::string SubmissionRates::text(long now) const {
  std::string text;
  text.reserve(entries_.size() * 32);
  long oldest = now - longestWindow();
  char digits[24];
  size_t skip = entries_.size() > kMaxAddresses ? entries_.size() - kMaxAddresses : 0;
  for (size_t i = skip; i < entries_.size(); ++i) {
    size_t lineStart = text.size();
    text += entries_[i].address;
    bool recent = false;
    for (long time : entries_[i].times) {
      if (time <= oldest) continue;
      recent = true;
      text += ' ';
      text.append(digits, std::to_chars(digits, digits + sizeof digits, time).ptr);
    }
    if (recent)
      text += '\n';
    else
      text.resize(lineStart);
  }
  return text;
}

bool SubmissionRates::full(std::string_view key, const List<RateWindow>& limits, long now) const {
  const Entry* entry = find(key);
  if (!entry) return false;
  for (const RateWindow& window : limits)
    if (inWindow(entry->times, window, now) >= window.count) return true;
  return false;
}

double SubmissionRates::filled(std::string_view key, const List<RateWindow>& limits,
                               long now) const {
  const Entry* entry = find(key);
  double fullest = 0;
  for (const RateWindow& window : limits) {
    if (!entry) break;
    double share = static_cast<double>(inWindow(entry->times, window, now)) /
                   static_cast<double>(window.count);
    fullest = std::max(fullest, std::min(share, 1.0));
  }
  return fullest;
}

// The entry moves to the end: the least recently seen are the first to go.
void SubmissionRates::count(std::string_view key, long now) {
  auto found = std::find_if(entries_.begin(), entries_.end(),
                            [&](const Entry& entry) { return entry.address == key; });
  Entry entry{std::string(key), {}};
  if (found != entries_.end()) {
    entry = std::move(*found);
    entries_.erase(found);
  }
  entry.times.push_back(now);
  if (entry.times.size() > mostKept()) entry.times.erase(entry.times.begin());
  entries_.push_back(std::move(entry));
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
  rates.read(file.read(4 << 20).view());
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
  rates.read(file.read(4 << 20).view());
  long now = static_cast<long>(std::time(nullptr));
  return rates.filled(addressNetwork(clientAddress(app).view()).view(), networkLimits, now);
}
