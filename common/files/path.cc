// Path helpers.
#include "common/files/path.h"

#include <cstdio>

Text directoryOf(std::string_view path) {
  Text copy(path);
  copy.replaceChar('\\', '/');
  long slash = copy.findLastChar('/');
  return slash < 0 ? Text() : copy.substring(0, slash + 1);
}

void setExtension(Text& path, std::string_view extension) {
  path.replaceChar('\\', '/');
  long dot = path.findLastChar('.');
  long slash = path.findLastChar('/');
  if (dot < 0 || dot < slash) {
    path += '.';
    path += extension;
  } else {
    path.replaceRange(dot + 1, -1, extension);
  }
}

Text makePath(std::string_view directory, std::string_view name) {
  Text dir(directory), file(name);
  dir.toLower();
  file.toLower();
  dir.replaceChar('\\', '/');
  file.replaceChar('\\', '/');
  if (file.startsWith("/") || (file.length() > 1 && file[1] == ':')) return file;
  if (dir.last() == '/') return dir + file;
  return dir + "/" + file;
}

Text readFileBytes(const Text& path, bool* readable, long limit) {
  Text content;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  bool whole = file != nullptr;
  if (file) {
    whole = content.readBytes(file, limit) >= 0 && !std::ferror(file);
    std::fclose(file);
  }
  if (readable) *readable = whole;
  return content;
}
