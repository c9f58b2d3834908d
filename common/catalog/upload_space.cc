// Reading, changing and counting a group's running upload total.
#include "common/catalog/upload_space.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/catalog/quarantine_file.h"
#include "common/catalog/upload_entry.h"
#include "common/catalog/upload_folder.h"
#include "common/files/atomic_file.h"
#include "common/files/path.h"

namespace fs = std::filesystem;

namespace {

// The bytes of the regular files directly in `folder` (links not followed),
// of those with stored upload names alone when `storedOnly`.
long long filesBytes(const fs::path& folder, bool storedOnly) {
  long long total = 0;
  std::error_code error;
  for (fs::directory_iterator walk(folder, error), end; !error && walk != end;
       walk.increment(error)) {
    std::error_code sizeError;
    if (walk->is_symlink(sizeError) || !walk->is_regular_file(sizeError)) continue;
    if (storedOnly && !isStoredUploadName(walk->path().filename().string())) continue;
    std::uintmax_t size = walk->file_size(sizeError);
    if (!sizeError) total += static_cast<long long>(size);
  }
  return total;
}

}  // namespace

Text uploadSpacePath(const Text& groupPath) { return groupPath + ".uploads"; }

std::optional<long long> readUploadSpace(const Text& groupPath) {
  bool readable = false;
  Text content = readFileBytes(uploadSpacePath(groupPath), &readable, 40);
  if (!readable || content.empty() || content[0] < '0' || content[0] > '9') return std::nullopt;
  return leadingNumber(content.view());
}

bool writeUploadSpace(const Text& groupPath, long long bytes) {
  Text path = uploadSpacePath(groupPath);
  AtomicFile file;
  if (!file.open(path, path + ".tmp")) return false;
  Text line = Text::fromInt(static_cast<long>(std::max(bytes, 0LL)), 0) + "\n";
  std::fwrite(line.c_str(), 1, line.str().size(), file.file());
  return file.commit();
}

void addUploadSpace(const Text& groupPath, long long delta) {
  if (delta == 0) return;
  std::optional<long long> total = readUploadSpace(groupPath);
  if (total) writeUploadSpace(groupPath, *total + delta);
}

long long countUploadSpace(const Text& groupPath, const CatalogFileList& catalogs) {
  long long total = catalogFolderBytes(catalogUploadFolder(quarantinePath(groupPath).view()));
  List<Text> counted;
  for (const CatalogFile& catalog : catalogs) {
    Text folder = catalogUploadFolder(catalog.path.view());
    if (std::find(counted.begin(), counted.end(), folder) != counted.end()) continue;
    counted.push_back(folder);
    total += catalogFolderBytes(folder);
  }
  return total;
}

long long folderBytes(const Text& folder) { return filesBytes(folder.str(), false); }

long long catalogFolderBytes(const Text& folder) {
  long long total = 0;
  std::error_code error;
  for (fs::directory_iterator walk(folder.str(), error), end; !error && walk != end;
       walk.increment(error)) {
    std::error_code ignored;
    if (!walk->is_symlink(ignored) && walk->is_directory(ignored))
      total += filesBytes(walk->path(), true);
  }
  return total;
}
