// Writing a ZIP archive through the calls of libarchive, loaded by its
// Debian name when the first archive is made.
#include "show/zip_stream.h"

#include <archive.h>
#include <archive_entry.h>
#include <dlfcn.h>

#include "common/cgi/cgi_request.h"

// clang-format off
#define KALDER_ARCHIVE_CALLS(CALL)                \
  CALL(archive_write_new)                         \
  CALL(archive_write_set_format_zip)              \
  CALL(archive_write_zip_set_compression_deflate) \
  CALL(archive_write_zip_set_compression_store)   \
  CALL(archive_write_set_bytes_per_block)         \
  CALL(archive_write_set_bytes_in_last_block)     \
  CALL(archive_write_open2)                       \
  CALL(archive_write_header)                      \
  CALL(archive_write_data)                        \
  CALL(archive_write_close)                       \
  CALL(archive_write_free)                        \
  CALL(archive_entry_new)                         \
  CALL(archive_entry_clear)                       \
  CALL(archive_entry_free)                        \
  CALL(archive_entry_set_pathname)                \
  CALL(archive_entry_set_filetype)                \
  CALL(archive_entry_set_perm)                    \
  CALL(archive_entry_set_size)                    \
  CALL(archive_entry_unset_size)                  \
  CALL(archive_entry_set_mtime)
// clang-format on

// One pointer per call, typed as libarchive's headers declare it.
struct ZipLibrary {
#define KALDER_ARCHIVE_POINTER(name) decltype(&::name) name = nullptr;
  KALDER_ARCHIVE_CALLS(KALDER_ARCHIVE_POINTER)
#undef KALDER_ARCHIVE_POINTER
};

namespace {

// The soname of libarchive 3 (Debian's libarchive13).
constexpr char kLibraryName[] = "libarchive.so.13";
constexpr int kBlockSize = 64 * 1024;

const ZipLibrary* load() {
  // Never closed: the calls are kept for the life of the process.
  void* handle = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
  if (!handle) return nullptr;
  static ZipLibrary library;
  bool complete = true;
#define KALDER_ARCHIVE_FIND(name)                                                \
  library.name = reinterpret_cast<decltype(library.name)>(dlsym(handle, #name)); \
  complete = complete && library.name;
  KALDER_ARCHIVE_CALLS(KALDER_ARCHIVE_FIND)
#undef KALDER_ARCHIVE_FIND
  return complete ? &library : nullptr;
}

const ZipLibrary* zipLibrary() {
  static const ZipLibrary* const library = load();
  return library;
}

la_ssize_t writeOut(struct archive*, void* out, const void* bytes, size_t length) {
  static_cast<CgiRequest*>(out)->writeDirect(
      std::string_view(static_cast<const char*>(bytes), length));
  return static_cast<la_ssize_t>(length);
}

}  // namespace

bool ZipStream::available() { return zipLibrary() != nullptr; }

ZipStream::ZipStream(CgiRequest& out) : library_(zipLibrary()) {
  archive_ = library_->archive_write_new();
  entry_ = library_->archive_entry_new();
  failed_ = !archive_ || !entry_ ||
            library_->archive_write_set_format_zip(archive_) != ARCHIVE_OK ||
            library_->archive_write_set_bytes_per_block(archive_, kBlockSize) != ARCHIVE_OK ||
            library_->archive_write_set_bytes_in_last_block(archive_, 1) != ARCHIVE_OK ||
            library_->archive_write_open2(archive_, &out, nullptr, writeOut, nullptr, nullptr) !=
                ARCHIVE_OK;
}

ZipStream::~ZipStream() {
  close();
  if (entry_) library_->archive_entry_free(entry_);
  if (archive_) library_->archive_write_free(archive_);
}

bool ZipStream::begin(std::string_view path, long long size, std::time_t modified) {
  if (failed_) return false;
  library_->archive_entry_clear(entry_);
  library_->archive_entry_set_pathname(entry_, Text(path).c_str());
  library_->archive_entry_set_filetype(entry_, AE_IFREG);
  library_->archive_entry_set_perm(entry_, 0644);
  library_->archive_entry_set_mtime(entry_, modified, 0);
  if (size >= 0) {
    library_->archive_entry_set_size(entry_, size);
  } else {
    library_->archive_entry_unset_size(entry_);
  }
  failed_ = library_->archive_write_header(archive_, entry_) != ARCHIVE_OK;
  return !failed_;
}

bool ZipStream::beginText(std::string_view path, std::time_t modified) {
  if (failed_) return false;
  failed_ = library_->archive_write_zip_set_compression_deflate(archive_) != ARCHIVE_OK;
  return begin(path, -1, modified);
}

bool ZipStream::beginFile(std::string_view path, long long size, std::time_t modified) {
  if (failed_) return false;
  failed_ = library_->archive_write_zip_set_compression_store(archive_) != ARCHIVE_OK;
  return begin(path, size, modified);
}

bool ZipStream::write(std::string_view bytes) {
  while (!failed_ && !bytes.empty()) {
    la_ssize_t written = library_->archive_write_data(archive_, bytes.data(), bytes.size());
    failed_ = written <= 0;
    if (!failed_) bytes.remove_prefix(static_cast<size_t>(written));
  }
  return !failed_;
}

bool ZipStream::close() {
  if (closed_) return !failed_;
  closed_ = true;
  if (archive_ && library_->archive_write_close(archive_) != ARCHIVE_OK) failed_ = true;
  return !failed_;
}
