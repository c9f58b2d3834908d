// Failed logins per client address, so that the programs the password
// protects can refuse an address that keeps guessing. The count lives in the
// state file "failed-logins.txt" in the home: one line per address, least
// recently failed first, the address and then the times (seconds since 1970)
// of its latest failures, separated by blanks:
//
//     192.0.2.7 1718000000 1718000042
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/text/text.h"

class CgiApplication;

// The table of the state file, read and written as text.
class LoginFailures {
 public:
  // An address that failed this often within the window is refused.
  static constexpr size_t kMaxFailures = 10;
  static constexpr long kWindowSeconds = 15 * 60;
  // The file keeps at most this many addresses; the least recent drop out.
  static constexpr size_t kMaxAddresses = 1000;

  // Replaces the table by the lines of `text`; malformed lines are skipped.
  void read(std::string_view text);
  // The file's text at `now`: addresses whose failures have all left the
  // window are dropped, and at most kMaxAddresses are kept.
  std::string text(long now) const;

  // The time from which `address` may try again; 0 when it may now.
  long refusedUntil(std::string_view address, long now) const;
  void addFailure(std::string_view address, long now);
  // Forgets the failures of `address`; false when it had none.
  bool forget(std::string_view address);
  bool has(std::string_view address) const;

 private:
  struct Entry {
    std::string address;
    std::vector<long> times;  // oldest first, at most kMaxFailures
  };
  const Entry* find(std::string_view address) const;
  void readLine(std::string_view line);

  std::vector<Entry> entries_;  // least recently failed first
};

// The state file of one home. Reading happens at construction; each change
// takes the file's lock, reads the file again, and replaces it whole, so
// that simultaneous requests lose no failure. A file that exists but cannot
// be read, or cannot be written, ends the request with the file error.
class LoginThrottle {
 public:
  explicit LoginThrottle(CgiApplication& app);

  long refusedUntil(std::string_view address, long now) const {
    return failures_.refusedUntil(address, now);
  }
  void recordFailure(std::string_view address, long now);
  // Clears the count of `address` (after a right password); writes the file
  // only when there was one.
  void recordSuccess(std::string_view address, long now);

  static constexpr char kFileName[] = "failed-logins.txt";

 private:
  void readState();
  template <typename Change>
  void update(long now, Change change);

  CgiApplication& app_;
  Text path_;
  LoginFailures failures_;
};
