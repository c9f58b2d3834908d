// The counts of mails to visitors (autoReplyPerAddress, autoReplyMaxPerDay)
// as a person's data: insert counts them (insert/auto_reply_count.h), the
// record viewer finds and erases one person's line. The file, beside the
// group file ("shop.grp" -> "shop.grp.replies", its own lock:
// common/files/state_file.h), holds the counts of one day, a line each: the
// day, the key, the count. The key "*" is the group's total; any other is an
// address's, as addressCountKey makes it, so the file never holds an address:
//
//     20261209 * 57
//     20261209 m:3f2a9c0d17b4e6a1 2
#pragma once

#include <string_view>

#include "common/text/text.h"

// The name of the key file in the home (created once, mode 0600).
inline constexpr char kReplyKeyName[] = "reply.key";

Text replyCountsPath(const Text& groupPath);

// "m:" and the first 16 hex digits of HMAC-SHA-256 of the address in lower
// case under `key`: the same address always counts on one line, and a
// person's search finds the line from the address.
Text addressCountKey(std::string_view key, std::string_view address);

// The mails to `address` the group's file counts (0 without a line, a key
// or a file; nothing is created).
long repliesCountedFor(const Text& home, const Text& groupPath, std::string_view address);
// Takes the line of `address` out of the file; false when the file cannot
// be rewritten. The group's total stays.
bool forgetRepliesTo(const Text& home, const Text& groupPath, std::string_view address);
