// The daily limits of the mail to visitors (autoReplyPerAddress and
// autoReplyMaxPerDay), counted in the group's file of reply counts (its
// bytes: common/mail/reply_counter.h). Lines of another day are dropped when
// the file is written; at most kMaxAddresses address lines are kept, which
// the group limit bounds anyway.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/language/date_time.h"
#include "common/mail/reply_counter.h"
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

// Counts a mail to `address` on the day of `sent` under the group's limits;
// false when a limit is reached or the state cannot be read or written (then
// no mail goes, and nothing else changes).
bool admitAutoReply(CatalogGroup& app, std::string_view address, const DateTime& sent);
