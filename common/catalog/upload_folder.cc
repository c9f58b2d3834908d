// The names of upload folders.
#include "common/catalog/upload_folder.h"

#include <filesystem>
#include <system_error>

#include "common/files/path.h"

Text catalogUploadFolder(std::string_view catalogPath) {
  Text path(catalogPath);
  path.replaceChar('\\', '/');
  Text folder = directoryOf(path);
  Text name(path.view().substr(folder.str().size()));
  setExtension(name, "files");
  name.toLower();
  folder += name;
  folder += "/";
  return folder;
}

Text recordUploadFolder(std::string_view catalogPath, std::string_view label) {
  Text name;
  for (char c : label) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '_';
    name += plain ? std::string_view(&c, 1) : std::string_view("_");
  }
  name.toLower();
  if (name.empty()) name += "_";
  Text folder = catalogUploadFolder(catalogPath);
  folder += name;
  folder += "/";
  return folder;
}

long long uploadSpaceInUse(const CatalogFileList& catalogs) {
  namespace fs = std::filesystem;
  long long total = 0;
  for (const CatalogFile& catalog : catalogs) {
    std::error_code error;
    fs::recursive_directory_iterator walk(catalogUploadFolder(catalog.path.view()).str(), error);
    for (fs::recursive_directory_iterator end; !error && walk != end; walk.increment(error)) {
      std::error_code sizeError;
      if (walk->is_symlink(sizeError) || !walk->is_regular_file(sizeError)) continue;
      std::uintmax_t size = walk->file_size(sizeError);
      if (!sizeError) total += static_cast<long long>(size);
    }
  }
  return total;
}
