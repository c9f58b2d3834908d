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

#include "common/files/group_lock.h"
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

// The state file of one home. A login is judged under the file's lock, from
// the check of the count to the record of its outcome: guesses sent at once
// are counted one after the other, so no more of them are checked than the
// limit allows. A file that exists but cannot be read, or cannot be written,
// ends the request with the file error.
class LoginThrottle {
 public:
  explicit LoginThrottle(CgiApplication& app);

  // The time from which `client` may try again (0 when it was admitted or
  // merely failed). `passwordRight` is asked only when the client is not
  // refused; a wrong password counts as a failure only when one was `tried`,
  // a right one clears the client's count.
  template <typename Check>
  long judge(std::string_view client, long now, bool tried, Check passwordRight, bool& admitted) {
    admitted = false;
    Locked locked(*this);
    long until = failures_.refusedUntil(client, now);
    if (until > 0) return until;
    admitted = passwordRight();
    if (admitted && failures_.has(client)) {
      failures_.forget(client);
      write(now);
    } else if (!admitted && tried) {
      failures_.addFailure(client, now);
      write(now);
    }
    return 0;
  }

  static constexpr char kFileName[] = "failed-logins.txt";

 private:
  // Holds the lock file beside the state file ("failed-logins.lck") and
  // reads the state under it.
  class Locked {
   public:
    explicit Locked(LoginThrottle& throttle);

   private:
    GroupLock lock_;
  };

  void readState();
  void write(long now);

  CgiApplication& app_;
  Text path_;
  LoginFailures failures_;
};
