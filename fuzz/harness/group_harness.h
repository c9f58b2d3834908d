// The group description file reader and writer: any file is read without
// harm, and the file the writer makes of it reads back to the same file.
#pragma once

#include <string>
#include <string_view>

#include "common/catalog/catalog_files.h"
#include "common/cgi/request_ended.h"
#include "common/settings/catalog_group.h"
#include "fuzz/harness/fuzz_support.h"

namespace fuzz {

// Reads the group file at `path` into a fresh group and writes it back;
// returns what was written.
inline std::string readAndWriteGroup(const std::string& path) {
  CatalogGroup app;
  app.readGroup("fuzz", path);
  // Every catalog of the group resolved, series members looked up by name.
  CatalogFileList files;
  CatalogResolver(app.group, app.today, app).addAllCatalogs(files);
  for (const CatalogEntry& entry : app.group.catalogs) app.findCatalog(entry.name);
  app.groupChanged = true;
  app.writeGroup();
  return readFile(path);
}

// A response's "@file" names a recipients file read as it is written. The
// input must not reach the machine's own files (a device that never ends
// would only test the device), so with an "@" it loses its slashes.
inline std::string withoutOutsideFiles(std::string_view data) {
  std::string content(data);
  if (content.find('@') == std::string::npos) return content;
  for (char& c : content)
    if (c == '/' || c == '\\') c = '_';
  return content;
}

// Input: the whole group description file.
inline std::string fuzzGroup(std::string_view data) {
  const FuzzHome& home = FuzzHome::get();
  FuzzRequest request;
  std::string path = home.file("fuzz.grp");
  writeFile(path, withoutLoneCarriageReturns(withoutOutsideFiles(data)));
  std::string problem;
  try {
    std::string first = readAndWriteGroup(path);
    std::string second = readAndWriteGroup(path);
    if (first != second)
      problem = "written group file read back differently:\n" + first + "\n--\n" + second;
  } catch (const RequestEnded&) {
    problem = "reading or writing the group ended the request";
  }
  home.resetFiles();
  return problem;
}

}  // namespace fuzz
