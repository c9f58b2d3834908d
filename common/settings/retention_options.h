// How long a group keeps its records, from its options file
// (group_options.h). Without a key every record is kept for ever, as before.
//
//   retainDays=365              every catalog of the group keeps its records
//                               for 365 days after their stored date
//   retainDays.orders=30        the catalog "orders" (every member of a
//                               series of that name) for 30: over retainDays;
//                               0 keeps that catalog's records for ever
//
// A value must be a whole number of days (retainDays from 1); any other
// value leaves the key unset.
#pragma once

#include <string_view>

#include "common/settings/group_entries.h"
#include "common/text/list.h"
#include "common/text/text.h"

struct RetentionOptions {
  struct CatalogDays {
    Text catalog;
    long days = 0;
  };

  long days = 0;                  // every catalog; 0: for ever
  List<CatalogDays> catalogDays;  // per catalog, over `days`

  // The days the catalog of that name (a group's catalog entry, not a series
  // member) keeps its records; 0: for ever.
  long daysOf(std::string_view catalogName) const;
  // Whether any catalog of `catalogs` loses records.
  bool any(const List<CatalogEntry>& catalogs) const;
  // How long the group keeps what the outbox logs of its mails, which name no
  // catalog: retainDays, else the longest of the catalogs' own when every
  // catalog has one; 0 for ever.
  long logDays(const List<CatalogEntry>& catalogs) const;
};

// Takes the option `key` (case ignored) into `options`; false when the key
// is no retention option.
bool readRetentionOption(std::string_view key, std::string_view value, RetentionOptions& options);
