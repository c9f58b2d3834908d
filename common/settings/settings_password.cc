// Writing the password line into the settings file, keeping the rest.
#include "common/settings/settings_password.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/files/atomic_file.h"
#include "common/settings/cgi_application.h"
#include "common/settings/settings_file.h"

namespace {

constexpr size_t kMaxPasswordLength = 200;

std::string errorText(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

// Reads the whole settings file; false with `problem` set when it exists but
// cannot be read. A missing file reads as empty text.
bool readSettingsFile(const std::string& path, std::string& text, std::string& problem) {
  text.clear();
  FilePtr file(std::fopen(path.c_str(), "r"));
  if (!file) {
    if (errno == ENOENT) return true;
    problem = errorText("cannot read", path);
    return false;
  }
  struct stat info;
  if (fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) {
    problem = "cannot read " + path + ": not an ordinary file";
    return false;
  }
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, got);
  if (std::ferror(file.get())) {
    problem = errorText("cannot read", path);
    return false;
  }
  return true;
}

// The owner, group and mode the new file must have: the old file's, or for a
// new file its directory's owner and group with mode 0640.
struct Ownership {
  uid_t owner;
  gid_t group;
  mode_t mode;
  bool existed;
};

bool ownershipFor(const std::string& path, Ownership& wanted, std::string& problem) {
  struct stat info;
  if (::stat(path.c_str(), &info) == 0) {
    wanted = {info.st_uid, info.st_gid, static_cast<mode_t>(info.st_mode & 07777), true};
    return true;
  }
  size_t slash = path.find_last_of('/');
  std::string directory = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
  if (::stat(directory.c_str(), &info) != 0) {
    problem = errorText("cannot find the directory of", path);
    return false;
  }
  wanted = {info.st_uid, info.st_gid, 0640, false};
  return true;
}

// Gives the temporary file the wanted owner and group. An existing file
// must keep them exactly; a new one gets them when the user may give them
// (root may, others keep their own user and take the group if they can).
bool applyOwnership(std::FILE* file, const Ownership& wanted, const std::string& path,
                    std::string& problem) {
  int fd = fileno(file);
  if (fchmod(fd, wanted.mode) != 0) {
    problem = errorText("cannot set the mode of", path);
    return false;
  }
  struct stat info;
  if (fstat(fd, &info) != 0) {
    problem = errorText("cannot read back", path);
    return false;
  }
  if (info.st_uid == wanted.owner && info.st_gid == wanted.group) return true;
  if (!wanted.existed) {
    // A new file stays the user's own where the directory's are not theirs to give.
    int given = fchown(fd, geteuid() == 0 ? wanted.owner : static_cast<uid_t>(-1), wanted.group);
    (void)given;
    return true;
  }
  if (fchown(fd, wanted.owner, wanted.group) != 0) {
    problem = errorText("cannot keep the owner and group of", path) +
              " (run the command as the file's owner or as root)";
    return false;
  }
  // A change of owner clears the set-user and set-group bits: put the mode back.
  fchmod(fd, wanted.mode);
  return true;
}

}  // namespace

std::string passwordProblem(std::string_view password) {
  if (password.empty()) return "the password is empty";
  if (password.size() > kMaxPasswordLength) return "the password is longer than 200 characters";
  for (char c : password)
    if (c < ' ' || c > '~') return "the password holds a character that is not printable ASCII";
  return "";
}

std::string storePassword(const std::string& path, std::string_view password) {
  std::string old, problem;
  Ownership wanted{};
  if (!readSettingsFile(path, old, problem) || !ownershipFor(path, wanted, problem)) return problem;
  std::string text = withPassword(old, password);
  AtomicFile file;
  if (!file.open(Text(path), privateTempPath(Text(path)))) return errorText("cannot create", path);
  if (!applyOwnership(file.file(), wanted, path, problem)) return problem;
  std::fwrite(text.data(), 1, text.size(), file.file());
  if (!file.commit()) return errorText("cannot write", path);
  return "";
}
