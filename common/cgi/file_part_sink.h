// FilePartSink: where the multipart decoder hands the files of a form that
// may receive them. The decoder streams each file's bytes through it as they
// arrive, so no file is ever held whole in memory; a sink that refuses a file
// (its name, its size) ends the decoding with that refusal.
#pragma once

#include <string>
#include <string_view>

#include "common/cgi/request_refusal.h"

class FilePartSink {
 public:
  virtual ~FilePartSink() = default;
  // A file part of the field `field` begins; `fileName` is the filename
  // parameter exactly as the client sent it (never empty).
  virtual Refusal beginFile(std::string_view field, std::string_view fileName) = 0;
  // The next bytes of the file being received.
  virtual Refusal fileBytes(std::string_view bytes) = 0;
  // The file ended; `fieldValue` receives what the field's value becomes
  // (empty: no field).
  virtual Refusal endFile(std::string& fieldValue) = 0;
};
