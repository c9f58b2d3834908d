// Near-copies of a text with a link, and the file of their digests.
#include "insert/campaign_copies.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <set>

#include "common/access/client_address.h"
#include "common/settings/catalog_group.h"
#include "common/text/file_lines.h"
#include "common/text/sha256.h"

namespace {

constexpr unsigned long long kFnvStart = 14695981039346656037ULL;

unsigned long long fnv(unsigned long long hash, std::string_view bytes) {
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  return hash;
}

// Sixteen lower-case hex digits, appended to `text`.
void appendHex(std::string& text, unsigned long long digest) {
  static constexpr char kHex[] = "0123456789abcdef";
  char digits[16];
  for (int i = 15; i >= 0; --i, digest >>= 4) digits[i] = kHex[digest & 15];
  text.append(digits, sizeof digits);
}

Text hexDigest(std::string_view bytes) {
  std::string digits;
  appendHex(digits, fnv(kFnvStart, bytes));
  return Text(digits);
}

// Sixteen lower-case hex digits, kept as they are written: a file of
// thousands of digests is read on every submission with a link, and they
// are only ever compared. False for anything else ("-" too).
bool readDigest(std::string_view text, CampaignCopies::Digest& digest) {
  if (!isLowerHex(text, digest.size())) return false;
  std::copy(text.begin(), text.end(), digest.begin());
  return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool linkStartsAt(const std::string& lowered, size_t at) {
  return lowered.compare(at, 7, "http://") == 0 || lowered.compare(at, 8, "https://") == 0 ||
         lowered.compare(at, 4, "www.") == 0;
}

// The host of a lowered link: after "//" (or from "www."), to the first
// "/", ":", "?" or "#"; a leading "www." aside.
std::string_view linkHost(std::string_view link) {
  size_t start = link.find("//");
  start = start == std::string_view::npos ? 0 : start + 2;
  std::string_view host = link.substr(start);
  host = host.substr(0, host.find_first_of("/:?#"));
  if (host.substr(0, 4) == "www.") host.remove_prefix(4);
  return host;
}

// The links of a lowered value to hosts other than `ownHost`, each as
// written up to the next blank.
std::vector<std::string> foreignLinks(const std::string& lowered, std::string_view ownHost) {
  std::vector<std::string> links;
  for (size_t at = 0; at < lowered.size();) {
    if (!linkStartsAt(lowered, at)) {
      ++at;
      continue;
    }
    size_t end = at;
    while (end < lowered.size() && !isBlank(lowered[end])) ++end;
    std::string link = lowered.substr(at, end - at);
    if (ownHost.empty() || linkHost(link) != ownHost) links.push_back(link);
    at = end;
  }
  return links;
}

// Case and blanks aside, and the digits of each link.
std::string nearCopy(const std::string& lowered) {
  std::string copy;
  bool inLink = false;
  for (size_t at = 0; at < lowered.size(); ++at) {
    char c = lowered[at];
    if (isBlank(c)) {
      inLink = false;
      continue;
    }
    if (!inLink && linkStartsAt(lowered, at)) inLink = true;
    if (inLink && c >= '0' && c <= '9') continue;
    copy += c;
  }
  return copy;
}

std::string lowered(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = ::lower(c);
  return lower;
}

// The site's host without its port and a leading "www.", lower case: the
// serverName of the settings when they name it, else the request's Host.
// A bot that posts itself writes any Host it likes, its campaign's own
// host too, so the request's is only taken when the settings name none.
std::string ownHostOf(const CatalogGroup& app) {
  const Text& named = app.settings.serverName;
  std::string host =
      lowered(named.empty() ? app.requestVariable("HTTP_HOST").view() : named.view());
  host = host.substr(0, host.find(':'));
  if (host.compare(0, 4, "www.") == 0) host.erase(0, 4);
  return host;
}

}  // namespace

CampaignDigests campaignDigests(const ParamList& fields, std::string_view ownHost) {
  std::string longest;
  std::vector<std::string> longestLinks;
  for (const Param& field : fields) {
    for (size_t i = 0; i <= field.further.size(); ++i) {
      std::string value = lowered((i == 0 ? field.value : field.further[i - 1]).view());
      if (value.size() <= longest.size()) continue;
      std::vector<std::string> links = foreignLinks(value, ownHost);
      if (links.empty()) continue;
      longest = std::move(value);
      longestLinks = std::move(links);
    }
  }
  if (longest.empty()) return CampaignDigests{Text("-"), Text("-")};
  std::sort(longestLinks.begin(), longestLinks.end());
  longestLinks.erase(std::unique(longestLinks.begin(), longestLinks.end()), longestLinks.end());
  std::string set;
  for (const std::string& link : longestLinks) set += link + '\n';
  return CampaignDigests{hexDigest(nearCopy(longest)), hexDigest(set)};
}

void CampaignCopies::read(std::string text) {
  entries_.clear();
  std::string_view held = lines_.reset(std::move(text));
  entries_.reserve(held.size() / 48 + 1);  // a line is some 56 bytes
  std::string_view line;
  for (size_t at = 0; takeLine(held, at, line);) {
    std::string_view whole = line;
    Entry entry;
    std::string_view time = takeWord(line);
    if (!readWordLong(time, entry.time)) continue;
    entry.client = lines_.pieceOf(takeWord(line));
    std::string_view links;
    if (!readDigest(takeWord(line), entry.text) || !readDigest(links = takeWord(line), entry.links))
      continue;
    if (entry.client.length == 0) continue;
    bool asWritten = writtenAsRead(time) && links.end() == whole.end();
    if (asWritten) entry.line = lines_.pieceOf(whole);
    entries_.push_back(entry);
  }
}

std::string CampaignCopies::text(long now) const {
  std::string text;
  text.reserve(entries_.size() * 56);
  char digits[24];
  size_t skip = entries_.size() > kMaxEntries ? entries_.size() - kMaxEntries : 0;
  for (size_t i = skip; i < entries_.size(); ++i) {
    const Entry& entry = entries_[i];
    if (entry.time <= now - window_) continue;
    if (entry.line.length > 0) {
      text += lines_.view(entry.line);
    } else {
      text.append(digits, std::to_chars(digits, digits + sizeof digits, entry.time).ptr);
      text += ' ';
      text += clientOf(entry);
      for (const Digest& digest : {entry.text, entry.links}) {
        text += ' ';
        text.append(digest.begin(), digest.end());
      }
    }
    text += '\n';
  }
  return text;
}

bool CampaignCopies::campaign(std::string_view client, const CampaignDigests& digests,
                              long now) const {
  Digest textDigest, linksDigest;
  if (!readDigest(digests.text.view(), textDigest) ||
      !readDigest(digests.links.view(), linksDigest))
    return false;
  std::set<std::string_view> others;
  int own = 0;
  for (const Entry& entry : entries_) {
    if (entry.time <= now - window_) continue;
    bool copy = entry.text == textDigest || entry.links == linksDigest;
    bool ownClient = clientOf(entry) == client;
    bool ownBurst = ownClient && entry.time > now - kBurstSeconds;
    if (!copy && !ownBurst) continue;
    if (ownClient)
      ++own;
    else
      others.insert(clientOf(entry));
  }
  return others.size() >= 2 || own >= 2;
}

void CampaignCopies::note(std::string_view client, const CampaignDigests& digests, long now) {
  Entry entry;
  entry.time = now;
  if (!readDigest(digests.text.view(), entry.text) ||
      !readDigest(digests.links.view(), entry.links))
    return;
  entry.client = lines_.add(client);
  entries_.push_back(entry);
}

CampaignGuard::CampaignGuard(CatalogGroup& app) : table_(app.options.spam.campaignSeconds) {
  if (app.options.spam.campaignSeconds <= 0) return;
  digests_ = campaignDigests(app.postParams(), ownHostOf(app));
  if (digests_.text == "-") return;
  Text path = app.groupPath + ".campaign";
  if (!file_.open(path)) app.fatal(messages::kCreateFailed, path);
  on_ = true;
  client_ = clientKey(clientAddress(app).view());
  now_ = static_cast<long>(std::time(nullptr));
  table_.read(file_.read(1 << 20));
  campaign_ = table_.campaign(client_.view(), digests_, now_);
}

void CampaignGuard::note() {
  if (!on_) return;
  table_.note(client_.view(), digests_, now_);
  file_.replace(table_.text(now_));
  file_.close();
}
