// Counting the submissions of each client address under the rate file's own
// lock, so that simultaneous submissions are counted one after the other.
#include "insert/submission_rate.h"

#include <algorithm>
#include <charconv>
#include <ctime>

#include "common/access/client_address.h"
#include "common/catalog/spam_messages.h"
#include "common/files/state_file.h"
#include "common/settings/catalog_group.h"
#include "common/text/file_lines.h"

namespace {

bool readLong(std::string_view word, long& value) {
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  return !word.empty() && error == std::errc() && end == word.data() + word.size();
}

}  // namespace

long SubmissionRates::longestWindow() const {
  long longest = 0;
  for (const RateWindow& window : limits_) longest = std::max(longest, window.seconds);
  return longest;
}

size_t SubmissionRates::mostKept() const {
  long most = 0;
  for (const RateWindow& window : limits_) most = std::max(most, window.count);
  return static_cast<size_t>(most);
}

void SubmissionRates::read(std::string_view text) {
  entries_.clear();
  std::string_view line;
  for (size_t at = 0; takeLine(text, at, line);) {
    Entry entry{std::string(takeWord(line)), {}};
    while (!line.empty()) {
      long time = 0;
      if (readLong(takeWord(line), time) && entry.times.size() < mostKept())
        entry.times.push_back(time);
    }
    if (!entry.address.empty() && !entry.times.empty()) entries_.push_back(entry);
  }
}

std::string SubmissionRates::text(long now) const {
  std::string text;
  size_t skip = entries_.size() > kMaxAddresses ? entries_.size() - kMaxAddresses : 0;
  for (size_t i = skip; i < entries_.size(); ++i) {
    std::string line = entries_[i].address;
    bool recent = false;
    for (long time : entries_[i].times) {
      if (time <= now - longestWindow()) continue;
      recent = true;
      line += ' ' + std::to_string(time);
    }
    if (recent) text += line + '\n';
  }
  return text;
}

bool SubmissionRates::admit(std::string_view address, long now) {
  auto found = std::find_if(entries_.begin(), entries_.end(),
                            [&](const Entry& entry) { return entry.address == address; });
  Entry entry{std::string(address), {}};
  if (found != entries_.end()) {
    entry = *found;
    entries_.erase(found);
  }
  for (const RateWindow& window : limits_) {
    long inWindow = std::count_if(entry.times.begin(), entry.times.end(),
                                  [&](long time) { return time > now - window.seconds; });
    if (inWindow >= window.count) {
      entries_.push_back(entry);
      return false;
    }
  }
  entry.times.push_back(now);
  if (entry.times.size() > mostKept()) entry.times.erase(entry.times.begin());
  entries_.push_back(entry);
  return true;
}

void refuseOverRate(CatalogGroup& app) {
  const List<RateWindow>& limits = app.options.spam.rateLimits;
  if (limits.empty()) return;
  Text path = app.groupPath + ".rate";
  LockedStateFile file;
  if (!file.open(path)) app.fatal(messages::kCreateFailed, path);
  SubmissionRates rates(limits);
  rates.read(file.read(1 << 20).view());
  long now = static_cast<long>(std::time(nullptr));
  bool admitted = rates.admit(clientKey(clientAddress(app).view()).view(), now);
  if (!file.replace(rates.text(now))) app.fatal(messages::kCreateFailed, path);
  file.close();
  if (admitted) return;
  countSubmission(app, "refused_rate_limit");
  app.setStatus("429 Too Many Requests");
  app.fatal(spamMessages::kTooManySubmissions);
}
