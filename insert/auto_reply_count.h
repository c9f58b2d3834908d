// The daily limits of the mail to visitors (autoReplyPerAddress and
// autoReplyMaxPerDay): a state file beside the group file ("shop.grp" ->
// "shop.grp.replies", its own lock: state_file.h) holds the counts of one
// day, a line each: the day, the key, the count. The key "*" is the group's
// total; any other is an address's, as addressCountKey makes it, so the
// file never holds an address:
//
//     20261209 * 57
//     20261209 m:3f2a9c0d17b4e6a1 2
//
// Lines of another day are dropped when the file is written; at most
// kMaxAddresses address lines are kept, which the group limit bounds anyway.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/language/date_time.h"
#include "common/text/text.h"

class CatalogGroup;

class AutoReplyCounts {
 public:
  static constexpr size_t kMaxAddresses = 5000;

  AutoReplyCounts(long perAddress, long perDay) : perAddress_(perAddress), perDay_(perDay) {}
  // Takes the lines of `text` that are of `day`; malformed lines are skipped.
  void read(std::string_view text, std::string_view day);
  std::string text() const;
  // Counts a mail to the address of `key` and returns true, or returns
  // false when the address or the group has had its mails of the day.
  bool admit(std::string_view key);

 private:
  struct Entry {
    std::string key;
    long count = 0;
  };
  Entry* find(std::string_view key);

  long perAddress_, perDay_;
  std::string day_;
  std::vector<Entry> entries_;
};

// "m:" and the first 16 hex digits of HMAC-SHA-256 of the address in lower
// case under `key`: the same address always counts on one line, and a
// person's search can find the line from the address.
Text addressCountKey(std::string_view key, std::string_view address);

// The name of the key file in the home (created once, mode 0600).
inline constexpr char kReplyKeyName[] = "reply.key";

// Counts a mail to `address` on the day of `sent` under the group's limits;
// false when a limit is reached or the state cannot be read or written (then
// no mail goes, and nothing else changes).
bool admitAutoReply(CatalogGroup& app, std::string_view address, const DateTime& sent);
