// The names of upload folders.
#include "common/catalog/upload_folder.h"

#include <sys/stat.h>

#include <cerrno>

#include "common/files/atomic_file.h"
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

Text makeUnlabelledUploadFolder(std::string_view catalogPath, std::string_view label) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    Text token = randomNameAfter(Text("x")).substring(2);  // "x.<random>"
    token.toLower();
    Text folder = unlabelledUploadFolder(catalogPath, label, token.view());
    if (::mkdir(folder.substring(0, folder.length() - 1).c_str(), 0750) == 0) return folder;
    if (errno != EEXIST) break;
  }
  return Text();
}
