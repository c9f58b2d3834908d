// UploadSpool: the files of one submission, from their first byte until the
// record that names them is stored. Each file is written, as it is read, to a
// fresh temporary file in the "spool.tmp/" folder of the catalog's upload
// folder; once the label exists the files move into the record's folder
// under generated names. What was not kept is removed when the spool goes,
// so a refused or failed submission leaves no file behind; what a killed
// process left there is swept by the next submission with files once it is
// an hour old.
#pragma once

#include "common/catalog/upload_entry.h"
#include "common/cgi/file_part_sink.h"
#include "common/settings/cgi_application.h"
#include "common/settings/group_options.h"
#include "common/text/list.h"

class UploadSpool : public FilePartSink {
 public:
  explicit UploadSpool(CgiApplication& app) : app_(app) {}
  ~UploadSpool() override;
  UploadSpool(const UploadSpool&) = delete;
  UploadSpool& operator=(const UploadSpool&) = delete;

  // Takes files into the spool of the catalog upload folder `folder`
  // (created when missing) within `limits`, while `spaceInUse` bytes of the
  // group's uploads lie on disk already.
  void open(const UploadLimits& limits, const Text& folder, long long spaceInUse);

  // Spool files untouched this long belong to a process that died.
  static constexpr long kStaleSeconds = 3600;

  Refusal beginFile(std::string_view field, std::string_view fileName) override;
  Refusal fileBytes(std::string_view bytes) override;
  Refusal endFile(std::string& fieldValue) override;

  // The files received, in the order they came.
  List<UploadEntry> entries() const;
  // Moves the files into `recordFolder` (created) under their stored names;
  // "Cannot create file" ends the request when that fails.
  void moveInto(const Text& recordFolder);
  // The same into a new folder of its own that unlabelledUploadFolder names
  // after `label`, for a record whose label is not written.
  void moveIntoNewFolder(const Text& catalogPath, const Text& label);
  // The bytes of the files received.
  long long bytes() const { return total_; }
  // The record that names the files is stored: they stay.
  void keep() { kept_ = true; }

 private:
  struct Spooled {
    Text tempPath;
    Text finalPath;  // once moved
    UploadEntry entry;
  };
  void closeCurrent();
  void removeAll();
  Text spoolFolder() const { return folder_ + "spool.tmp/"; }
  void prepareFolders();
  void sweepStale();
  void moveFiles(const Text& recordFolder);

  CgiApplication& app_;
  UploadLimits limits_;
  Text folder_;
  long long spaceInUse_ = 0;
  long long total_ = 0;
  long parts_ = 0;  // file parts begun, those skipped too
  bool prepared_ = false;
  List<Spooled> files_;
  int fd_ = -1;            // the file being received
  bool skipping_ = false;  // a file of a field the record will not keep
  Text recordFolder_;      // made by moveInto, removed again unless kept
  Text catalogFolder_;     // the same
  bool kept_ = false;
};
