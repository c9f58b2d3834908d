// CatalogGroup: the application layer of one group of catalogs. It loads the
// group named by PATH_INFO into a GroupDescription at construction, writes
// the group file back and keeps its counter line; every program's object
// derives from it. Catalog files, records and indexes are the catalog
// layer's (common/catalog), which takes what it needs from the description.
#pragma once

#include <optional>
#include <string_view>

#include "common/language/date_time.h"
#include "common/settings/cgi_application.h"
#include "common/settings/group_file.h"
#include "common/settings/group_messages.h"
#include "common/settings/group_options.h"
#include "common/settings/label_reservation.h"

class CatalogGroup : public CgiApplication {
 public:
  // Notes the time and loads the group that PATH_INFO names, if any; an
  // unknown name ends the request with "Unknown group of catalogs".
  explicit CatalogGroup(const RequestContext& context, const char* contentType = "text/html");
  // The same for a program that scripts of other sites may post to: the
  // group is read before a refused request is answered, so that every
  // answer carries the group's cross-origin header lines (cross_origin.h).
  struct ScriptAccess {};
  CatalogGroup(const RequestContext& context, const char* contentType, ScriptAccess);
  // The process's own request (tests, tools).
  CatalogGroup() : CatalogGroup(RequestContext::fromProcess()) {}
  explicit CatalogGroup(const char* contentType)
      : CatalogGroup(RequestContext::fromProcess(), contentType) {}

  // Loads the group file at `path` as the group `name`, and its options
  // file. A group file that cannot be read gives the defaults; an options
  // file that exists but cannot be read ends the request with "Cannot open
  // file", since what it would refuse would otherwise be allowed.
  void readGroup(const Text& name, const Text& path);
  void readOptions(const Text& path);
  // Rewrites the group description file when it is marked changed.
  void writeGroup();
  // Writes what is still marked changed: the group file, then the settings.
  void finish() {
    writeGroup();
    writeSettings();
  }

  // The first form or catalog of that name; fatal when there is none.
  FormEntry& findForm(std::string_view name);
  CatalogEntry& findCatalog(std::string_view name);

  // The counter that the group file holds now, or `fallback` when the file
  // cannot be read. Under the group lock it is the one to advance, and the
  // file and its label reservation stay open for saveCounter under the same
  // lock, so a submission reads each once.
  long counterOnDisk(long fallback);
  // Writes group.count into the counter line of the group file, keeping
  // every other byte: in place when the line keeps its length (one small
  // write on every submission's path, flushed only when no reservation
  // covers it: label_reservation.h), else by rewriting the whole file
  // through a temporary file, so a failure never cuts it short. A missing
  // group file is created. Returns the file as it was, for putting it back.
  struct SavedFile {
    bool existed = false;
    Text content;
  };
  SavedFile saveCounter();

  // `path`, or with languageFiles=on in the group's options its variant of
  // the request's language when that exists ("thanks.slo.msg" before
  // "thanks.msg"): the answer pages, error templates and mail templates.
  Text languageFile(const Text& path) const;

  DateTime today;
  Text groupName;  // as the request spells it: pages and &group show it so
  // The group's name as kalder.ini spells it, whatever the letter case of the
  // request: what the outbox and the logs file a group's records under.
  Text groupSettingsName;
  Text groupPath;
  GroupDescription group;
  GroupOptions options;
  bool groupChanged = false;

 private:
  // What counterOnDisk read under the lock, for saveCounter.
  struct CounterUnderLock {
    FilePtr file;  // open for update, unless it could only be read
    Text content;
    std::optional<LabelReservation> reservation;
  };
  CounterUnderLock counterUnderLock_;
};

// Counts what became of a submission to the group of `app` for the metrics
// page ("stored", "quarantined", "held", "refused_<why>"); nothing when the
// request names no group. A request that is no POST is not counted: it must
// leave no file behind.
void countSubmission(const CatalogGroup& app, std::string_view outcome);
