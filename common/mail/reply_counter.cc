// Finding and erasing one address's line of the counts of mails to visitors.
#include "common/mail/reply_counter.h"

#include <sys/stat.h>

#include <charconv>
#include <string>

#include "common/access/address_storage.h"
#include "common/files/path.h"
#include "common/files/state_file.h"
#include "common/text/file_lines.h"
#include "common/text/sha256.h"

namespace {

constexpr long kMaxCountsBytes = 1 << 20;

bool exists(const Text& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

// The file's lines with the key `key` left out, and their count.
std::string withoutKey(std::string_view text, std::string_view key, long& count) {
  std::string kept;
  std::string_view line;
  for (size_t at = 0; takeLine(text, at, line);) {
    std::string_view rest = line;
    takeWord(rest);
    if (takeWord(rest) == key) {
      long value = 0;
      std::from_chars(rest.data(), rest.data() + rest.size(), value);
      count += value;
      continue;
    }
    kept += line;
    kept += '\n';
  }
  return kept;
}

}  // namespace

Text replyCountsPath(const Text& groupPath) { return groupPath + ".replies"; }

Text addressCountKey(std::string_view key, std::string_view address) {
  Text lower(address);
  lower.toLower();
  return Text("m:") + Text(toHex(hmacSha256(key, lower.view())).substr(0, 16));
}

long repliesCountedFor(const Text& home, const Text& groupPath, std::string_view address) {
  std::string key;
  Text path = replyCountsPath(groupPath);
  if (!readAddressKey(makePath(home.view(), kReplyKeyName), key) || !exists(path)) return 0;
  LockedStateFile file;
  if (!file.open(path)) return 0;
  long count = 0;
  withoutKey(file.read(kMaxCountsBytes), addressCountKey(key, address).view(), count);
  return count;
}

bool forgetRepliesTo(const Text& home, const Text& groupPath, std::string_view address) {
  std::string key;
  Text path = replyCountsPath(groupPath);
  if (!readAddressKey(makePath(home.view(), kReplyKeyName), key) || !exists(path)) return true;
  LockedStateFile file;
  if (!file.open(path)) return false;
  long count = 0;
  std::string kept =
      withoutKey(file.read(kMaxCountsBytes), addressCountKey(key, address).view(), count);
  return count == 0 || file.replace(kept);
}
