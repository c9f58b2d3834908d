// The rate limit of a group's submissions per client address (the
// rateLimit option), and per client network (rateLimitNetwork). The state
// file beside the group file ("shop.grp" -> "shop.grp.rate", its own lock:
// state_file.h) holds a line per client or network, least recently seen
// first: the key (an address, an IPv6 "/64"; a network ends in "/24" or
// "/48"), then the times (seconds since 1970) of its submissions still in
// the longest window, oldest first:
//
//     192.0.2.7 1718000000 1718000042
//     192.0.2.0/24 1718000000 1718000042 1718000050
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/settings/spam_options.h"
#include "common/text/text_pool.h"

class CatalogGroup;

class SubmissionRates {
 public:
  // The file keeps at most this many keys, and at most this many bytes,
  // which is all that is read of it; the least recent drop out.
  static constexpr size_t kMaxAddresses = 2000;
  static constexpr long kMaxBytes = 4 << 20;

  // `limits` count each key the table is asked about, `networkLimits` (when
  // not empty) the keys asked about as networks.
  explicit SubmissionRates(const List<RateWindow>& limits,
                           const List<RateWindow>& networkLimits = {})
      : limits_(limits), networkLimits_(networkLimits) {}
  // Replaces the table by the lines of `text`; malformed lines are skipped.
  void read(std::string text);
  // The file's text at `now`: times out of every window are dropped.
  std::string text(long now) const;
  // Counts a submission of `address` at `now` and returns true, or returns
  // false when one of the windows is full.
  bool admit(std::string_view address, long now);
  // Whether `key` has used up a window of `limits` at `now`.
  bool full(std::string_view key, const List<RateWindow>& limits, long now) const;
  // Counts a submission of `key` at `now`.
  void count(std::string_view key, long now);
  // How far `key` has filled its fullest window of `limits`, from 0 to 1.
  double filled(std::string_view key, const List<RateWindow>& limits, long now) const;

 private:
  // The file is read and written on every submission: an entry names its
  // key and the line it was read from in lines_, and its times, oldest
  // first, in times_, so that reading it allocates nothing per line and
  // writing it copies the lines whose times are all still in a window. A
  // key counted again moves its times to the end.
  struct Entry {
    TextPool::Piece key;
    TextPool::Piece line;  // empty when counted since
    uint32_t firstTime = 0;
    uint32_t timeCount = 0;
  };
  long longestWindow() const;
  size_t mostKept() const;
  std::vector<Entry>::const_iterator find(std::string_view key) const;
  std::span<const long> timesOf(const Entry& entry) const;

  List<RateWindow> limits_;
  List<RateWindow> networkLimits_;
  TextPool lines_;
  std::vector<long> times_;
  std::vector<Entry> entries_;
};

// Ends the request with status 429 and "Too many submissions" when the
// client address (client_address.h) or, with rateLimitNetwork, its network
// has used up a window of the group's limit; else counts this submission
// for both. Nothing happens without the options.
void refuseOverRate(CatalogGroup& app);

// How far the request's client network has filled its limit, from 0 to 1
// (0 without the options): what raises the proof of work's difficulty.
double networkRateFilled(CatalogGroup& app);
