// The rate limit of a group's submissions per client address (the
// rateLimit option). The state file beside the group file ("shop.grp" ->
// "shop.grp.rate", its own lock: state_file.h) holds a line per address, least recently seen first:
// the address, then the times (seconds since 1970) of its submissions still in the longest window,
// oldest first:
//
//     192.0.2.7 1718000000 1718000042
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/settings/spam_options.h"

class CatalogGroup;

class SubmissionRates {
 public:
  // The file keeps at most this many addresses; the least recent drop out.
  static constexpr size_t kMaxAddresses = 2000;

  explicit SubmissionRates(const List<RateWindow>& limits) : limits_(limits) {}
  // Replaces the table by the lines of `text`; malformed lines are skipped.
  void read(std::string_view text);
  // The file's text at `now`: times out of every window are dropped.
  std::string text(long now) const;
  // Counts a submission of `address` at `now` and returns true, or returns
  // false when one of the windows is full.
  bool admit(std::string_view address, long now);

 private:
  struct Entry {
    std::string address;
    std::vector<long> times;
  };
  long longestWindow() const;
  size_t mostKept() const;

  List<RateWindow> limits_;
  std::vector<Entry> entries_;
};

// Ends the request with status 429 and "Too many submissions" when the
// client address (client_address.h) has used up a window of the group's
// limit; else counts this submission. Nothing happens without the option.
void refuseOverRate(CatalogGroup& app);
