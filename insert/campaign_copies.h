// Campaigns that drip (the campaignWindow option): a text with a link that
// a bot posts from address after address, minutes apart, for hours. The
// state file beside the group file ("shop.grp" -> "shop.grp.campaign")
// holds a line per submission with a link to another site, oldest first:
// the time (seconds since 1970), the client, a digest of the near-copy of
// its text and a digest of its set of links (no content is kept):
//
//     1718000000 192.0.2.7 9f86d081884c7d65 0c1e32b1a0a2d2f3
//
// A near-copy ignores letter case, blanks and the digits inside links (the
// number a campaign changes in each copy). Links to the site's own host
// (HTTP_HOST) are the site's products and pages, which people quote alike:
// they make no campaign.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "common/files/state_file.h"
#include "common/text/param_list.h"
#include "common/text/text.h"
#include "common/text/text_pool.h"

class CatalogGroup;

// The digests of one submission; both "-" when no value holds a link to
// another host than `ownHost`.
struct CampaignDigests {
  Text text;   // the longest value that holds such a link, as a near-copy
  Text links;  // its sorted set of such links, each lower case
};
CampaignDigests campaignDigests(const ParamList& fields, std::string_view ownHost);

class CampaignCopies {
 public:
  // The file keeps at most this many submissions; the oldest drop out.
  static constexpr size_t kMaxEntries = 5000;
  static constexpr long kBurstSeconds = 3600;

  explicit CampaignCopies(long windowSeconds) : window_(windowSeconds) {}
  void read(std::string text);
  std::string text(long now) const;
  // Whether the window holds copies of `digests` from two or more other
  // clients, or two or more earlier ones from `client` itself; or whether
  // `client` sent two or more other links to other sites within the last
  // kBurstSeconds (a burst that keeps inside the rate limit, each text
  // another).
  bool campaign(std::string_view client, const CampaignDigests& digests, long now) const;
  void note(std::string_view client, const CampaignDigests& digests, long now);

  // A digest's sixteen hex digits, as the file holds them.
  using Digest = std::array<char, 16>;

 private:
  // The file is read and written on every submission with a link: an
  // entry names its client and the line it was read from in lines_, so
  // that reading it allocates nothing per line and writing it copies the
  // lines read.
  struct Entry {
    long time = 0;
    TextPool::Piece client;
    Digest text{};
    Digest links{};
    TextPool::Piece line;  // empty for a submission noted since
  };
  std::string_view clientOf(const Entry& entry) const { return lines_.view(entry.client); }

  long window_;
  TextPool lines_;
  std::vector<Entry> entries_;
};

// The campaign check of the request's group: reads the file on
// construction (and holds its lock until note), does nothing without the
// option or for a submission without a link to another site.
class CampaignGuard {
 public:
  explicit CampaignGuard(CatalogGroup& app);
  bool campaign() const { return campaign_; }
  // Notes this submission and saves the file.
  void note();

 private:
  bool on_ = false;
  bool campaign_ = false;
  LockedStateFile file_;
  Text client_;
  CampaignDigests digests_;
  long now_ = 0;
  CampaignCopies table_;
};
