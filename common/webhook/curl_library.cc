// Loading libcurl by its soname and finding each call in it.
#include "common/webhook/curl_library.h"

#include <dlfcn.h>

namespace {

const CurlLibrary* load() {
  // Never closed: libcurl's global state lives as long as the process.
  void* handle = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
  if (!handle) return nullptr;
  static CurlLibrary library;
  bool complete = true;
#define KALDER_CURL_FIND(name)                                                   \
  library.name = reinterpret_cast<decltype(library.name)>(dlsym(handle, #name)); \
  complete = complete && library.name;
  KALDER_CURL_CALLS(KALDER_CURL_FIND)
#undef KALDER_CURL_FIND
  if (!complete || library.curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return nullptr;
  return &library;
}

}  // namespace

const CurlLibrary* curlLibrary() {
  static const CurlLibrary* const library = load();
  return library;
}
