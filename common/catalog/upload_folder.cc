// The names of upload folders.
#include "common/catalog/upload_folder.h"

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

Text unlabelledUploadFolder(std::string_view catalogPath, std::string_view label,
                            std::string_view token) {
  Text folder = recordUploadFolder(catalogPath, label);
  folder.erase(folder.length() - 1);
  folder += ".";
  folder += token;
  folder += "/";
  return folder;
}
