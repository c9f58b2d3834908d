// A ZIP archive written to the answer as it is made, entry after entry,
// through libarchive. libarchive is looked up in Debian's shared library
// when the first archive is made: the viewer is not linked with it, since
// it and the libraries it brings (XML, ICU, compressors) would cost every
// request's start far more than its own work, and only a download of one
// person's data needs it.
#pragma once

#include <ctime>
#include <string_view>

#include "common/text/text.h"

class CgiRequest;
struct archive;
struct archive_entry;
struct ZipLibrary;

class ZipStream {
 public:
  // Whether libarchive can be loaded (it is loaded once per process).
  static bool available();

  // Writes through `out`'s writeDirect. REQUIRES: available(); `out`
  // outlives the stream, and its header is written before the first entry.
  explicit ZipStream(CgiRequest& out);
  ~ZipStream();
  ZipStream(const ZipStream&) = delete;
  ZipStream& operator=(const ZipStream&) = delete;

  // Starts an entry of text whose length is not known before it is
  // written: deflated, its sizes written after its data, so the archive
  // can be read as a stream.
  bool beginText(std::string_view path, std::time_t modified);
  // Starts an entry of `size` bytes, stored as they are (uploads are
  // mostly compressed already).
  bool beginFile(std::string_view path, long long size, std::time_t modified);
  // The bytes of the entry begun last.
  bool write(std::string_view bytes);
  // Writes the central directory; false when any step failed. The
  // destructor closes an archive not closed yet.
  bool close();

 private:
  bool begin(std::string_view path, long long size, std::time_t modified);

  const ZipLibrary* library_;
  archive* archive_ = nullptr;
  archive_entry* entry_ = nullptr;
  bool failed_ = false;
  bool closed_ = false;
};
