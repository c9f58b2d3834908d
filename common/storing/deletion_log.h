// The log of deletions in the home, "deletions.log": one line per record an
// administrator erased and one per catalog file an expiry took records from,
// never a record's content:
//
//   2027-03-01 04:10<TAB>shop<TAB>orders<TAB>ORD-7<TAB>192.0.2.7
//   2027-03-01 04:15<TAB>shop<TAB>visits202612<TAB>expired 14<TAB>-
//
// date and time, the group as kalder.ini names it, the catalog (a series
// member by its own name), the label or "expired <count>", the client
// address or "-". Tabs and line breaks in a value become spaces.
#pragma once

#include <string_view>

#include "common/language/date_time.h"
#include "common/text/text.h"

inline constexpr const char* kDeletionLogName = "deletions.log";

class DeletionLog {
 public:
  DeletionLog() = default;
  DeletionLog(const DeletionLog&) = delete;
  DeletionLog& operator=(const DeletionLog&) = delete;
  ~DeletionLog();

  // Opens the log of `home` for appending, created with mode 0600 (given the
  // home's owner when root creates it). Open it before removing anything, so
  // nothing is removed unlogged; false when it cannot be opened.
  bool open(const Text& home);
  // Appends one line and flushes it to disk; false when it could not.
  bool append(const DateTime& when, std::string_view group, std::string_view catalog,
              std::string_view label, std::string_view address);
  const Text& path() const { return path_; }

 private:
  Text path_;
  int fd_ = -1;
};
