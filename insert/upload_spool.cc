// Receiving a submission's files into temporary files and moving them to
// their record.
#include "insert/upload_spool.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "common/catalog/upload_folder.h"
#include "common/files/atomic_file.h"
#include "common/files/path.h"
#include "common/files/termination.h"

namespace {

// Creates `folder` (ending in "/") unless it exists; true when it is a
// directory then, not a link to one.
bool makeFolder(const Text& folder, bool& made) {
  Text path = folder.substring(0, folder.length() - 1);
  made = ::mkdir(path.c_str(), 0750) == 0;
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace

UploadSpool::~UploadSpool() {
  closeCurrent();
  if (!kept_) removeAll();
}

void UploadSpool::open(const UploadLimits& limits, const Text& folder, long long spaceInUse) {
  limits_ = limits;
  folder_ = folder;
  spaceInUse_ = spaceInUse;
}

// Names beginning with "&" belong to the system and are dropped from the
// record, so their files would belong to nothing: they are read and skipped.
// Every part with a file name counts, empty files too: each costs a file
// and its flush.
Refusal UploadSpool::beginFile(std::string_view field, std::string_view fileName) {
  if (++parts_ > limits_.maxFiles) return Refusal::TooLarge;
  skipping_ = field.starts_with("&");
  if (skipping_) return Refusal::None;
  Text original = cleanOriginalName(fileName);
  if (!limits_.acceptsName(original.view())) return Refusal::FileEnding;
  prepareFolders();
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    Text path = randomNameAfter(spoolFolder() + "upload.tmp");
    // Held back from the file's creation until it is listed for removal: a
    // TERM in between would leave it behind.
    termination::Deferred untilListed;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0640);
    if (fd_ >= 0) {
      // A server's TERM while the body still arrives leaves no file behind.
      termination::removeOnTerm(path.c_str());
      files_.push_back({path, Text(), {original, Text(), 0}});
    } else if (errno != EEXIST)
      break;
  }
  if (fd_ < 0) app_.fatal(messages::kCreateFailed, folder_);
  return Refusal::None;
}

Refusal UploadSpool::fileBytes(std::string_view bytes) {
  if (skipping_) return Refusal::None;
  long long size = files_.back().entry.size + static_cast<long long>(bytes.size());
  long long total = total_ + static_cast<long long>(bytes.size());
  if (size > limits_.maxFile || total > limits_.maxTotal) return Refusal::FileTooLarge;
  if (spaceInUse_ + total > limits_.maxDisk) return Refusal::UploadSpaceFull;
  if (!writeAll(fd_, bytes)) app_.fatal(messages::kCreateFailed, folder_);
  files_.back().entry.size = size;
  total_ = total;
  return Refusal::None;
}

Refusal UploadSpool::endFile(std::string& fieldValue) {
  if (skipping_) {
    skipping_ = false;
    return Refusal::None;
  }
  bool flushed = ::fsync(fd_) == 0;
  closeCurrent();
  if (!flushed) app_.fatal(messages::kCreateFailed, folder_);
  UploadEntry& entry = files_.back().entry;
  entry.storedName = storedUploadName(static_cast<int>(files_.size()));
  fieldValue = uploadEntryText(entry).str();
  return Refusal::None;
}

List<UploadEntry> UploadSpool::entries() const {
  List<UploadEntry> list;
  for (const Spooled& file : files_) list.push_back(file.entry);
  return list;
}

void UploadSpool::prepareFolders() {
  if (prepared_) return;
  prepared_ = true;
  bool made = false;
  if (!makeFolder(folder_, made)) app_.fatal(messages::kCreateFailed, folder_);
  if (!makeFolder(spoolFolder(), made)) app_.fatal(messages::kCreateFailed, spoolFolder());
  if (!made) sweepStale();
}

// The spool holds only the files of submissions under way, so reading it
// costs little however many records keep files.
void UploadSpool::sweepStale() {
  Text folder = spoolFolder();
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  std::time_t before = std::time(nullptr) - kStaleSeconds;
  while (const dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (!name.starts_with("upload.tmp")) continue;
    Text path = folder + name;
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_mtime < before)
      ::unlink(path.c_str());
  }
  ::closedir(dir);
}

// A folder left by a submission that died after taking the same label is
// reused: the generated names replace what it holds under them.
void UploadSpool::moveInto(const Text& recordFolder) {
  if (files_.empty()) return;
  // A series member that the posted fields chose may have no folder yet.
  Text catalogFolder = directoryOf(recordFolder.substring(0, recordFolder.length() - 1));
  bool made = false;
  if (!makeFolder(catalogFolder, made)) app_.fatal(messages::kCreateFailed, catalogFolder);
  if (made) catalogFolder_ = catalogFolder;
  if (!makeFolder(recordFolder, made)) app_.fatal(messages::kCreateFailed, recordFolder);
  if (made) recordFolder_ = recordFolder;
  moveFiles(recordFolder);
}

// Records whose label is not written all take the same label, so the folder
// must be one no other record has: it is made here, never reused.
void UploadSpool::moveIntoNewFolder(const Text& catalogPath, const Text& label) {
  if (files_.empty()) return;
  Text catalogFolder = catalogUploadFolder(catalogPath.view());
  bool made = false;
  if (!makeFolder(catalogFolder, made)) app_.fatal(messages::kCreateFailed, catalogFolder);
  if (made) catalogFolder_ = catalogFolder;
  recordFolder_ = makeUnlabelledUploadFolder(catalogPath.view(), label.view());
  if (recordFolder_.empty()) app_.fatal(messages::kCreateFailed, catalogFolder);
  moveFiles(recordFolder_);
}

void UploadSpool::moveFiles(const Text& recordFolder) {
  for (Spooled& file : files_) {
    Text target = recordFolder + file.entry.storedName;
    if (std::rename(file.tempPath.c_str(), target.c_str()) != 0)
      app_.fatal(messages::kCreateFailed, target);
    termination::forget(file.tempPath.c_str());
    file.finalPath = target;
    file.tempPath = Text();
  }
  syncDirectoryOf(recordFolder + ".");
}

void UploadSpool::closeCurrent() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void UploadSpool::removeAll() {
  for (const Spooled& file : files_) {
    if (!file.tempPath.empty()) ::unlink(file.tempPath.c_str());
    termination::forget(file.tempPath.c_str());
    if (!file.finalPath.empty()) ::unlink(file.finalPath.c_str());
  }
  files_.clear();
  if (!recordFolder_.empty()) ::rmdir(recordFolder_.c_str());
  if (!catalogFolder_.empty()) ::rmdir(catalogFolder_.c_str());
}
