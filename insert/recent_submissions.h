// The submissions of a group's recent past (the duplicateWindow option), so
// that the same content from the same address is stored once and content
// that many addresses send alike is noticed. The state file beside the group
// file ("shop.grp" -> "shop.grp.recent") holds a line per submission, oldest
// first: the time (seconds since 1970), the address, a digest of the form's
// name and fields, a digest of its text with a link ("-" for none) and the
// label it was given:
//
//     1718000000 192.0.2.7 9f86d081884c7d65 0c1e32b1a0a2d2f3 ORD-12
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/files/state_file.h"
#include "common/text/param_list.h"
#include "common/text/text.h"
#include "common/text/text_pool.h"

class CatalogGroup;

// A digest of the content: the form's name and every field's name and
// values, in order (64-bit FNV-1a, in hex).
Text contentDigest(std::string_view formName, const ParamList& fields);
// A digest of the longest value that holds a link ("http", "www."), the
// text a bot sends from address after address; "-" when none does.
Text linkTextDigest(const ParamList& fields);

class RecentSubmissions {
 public:
  // The file keeps at most this many submissions; the oldest drop out.
  static constexpr size_t kMaxEntries = 5000;

  explicit RecentSubmissions(long windowSeconds) : window_(windowSeconds) {}
  void read(std::string text);
  // The file's text at `now`: submissions out of the window are dropped.
  std::string text(long now) const;
  // The label of the same content from `address` within the window; empty
  // when there is none.
  Text earlierLabel(std::string_view address, std::string_view digest, long now) const;
  // How many other addresses sent the same text with a link within the window.
  int otherAddresses(std::string_view address, std::string_view textDigest, long now) const;
  void note(std::string_view address, std::string_view digest, std::string_view textDigest,
            std::string_view label, long now);

 private:
  // The file is read and written on every submission: an entry names its
  // words and the line it was read from in words_, so that reading it
  // allocates nothing per line and writing it copies the lines read.
  struct Entry {
    long time = 0;
    TextPool::Piece address;
    TextPool::Piece digest;
    TextPool::Piece textDigest;
    TextPool::Piece label;
    TextPool::Piece line;  // empty for a submission noted since
  };
  bool recent(const Entry& entry, long now) const { return entry.time > now - window_; }
  std::string_view word(TextPool::Piece piece) const { return words_.view(piece); }

  long window_;
  TextPool words_;
  std::vector<Entry> entries_;
};

// The recent submissions of the request's group under the state file's
// lock (state_file.h), held from construction to destruction so that two equal submissions
// sent at once are stored once. Does nothing without the option.
class RecentSubmissionGuard {
 public:
  RecentSubmissionGuard(CatalogGroup& app, std::string_view formName);
  Text earlierLabel() const;
  int otherAddresses() const;
  // Notes the label this submission was given and saves the file.
  void note(const Text& label);

 private:
  CatalogGroup& app_;
  bool on_;
  LockedStateFile file_;
  Text path_;
  Text address_;
  Text digest_;
  Text textDigest_;
  long now_ = 0;
  RecentSubmissions table_;
};
