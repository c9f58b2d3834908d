// Loading libssl by its Debian name (the soname of the headers built with)
// and finding each call in it and the libcrypto it depends on.
#include "common/mail/openssl_library.h"

#include <dlfcn.h>

namespace {

const OpenSslLibrary* load() {
  // Never closed: OpenSSL keeps state of its own for the rest of the process.
  void* handle = dlopen("libssl.so." OPENSSL_MSTR(OPENSSL_SHLIB_VERSION), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return nullptr;
  static OpenSslLibrary library;
  bool complete = true;
#define KALDER_OPENSSL_FIND(name)                                                \
  library.name = reinterpret_cast<decltype(library.name)>(dlsym(handle, #name)); \
  complete = complete && library.name;
  KALDER_OPENSSL_CALLS(KALDER_OPENSSL_FIND)
#undef KALDER_OPENSSL_FIND
  return complete ? &library : nullptr;
}

}  // namespace

const OpenSslLibrary* openSslLibrary() {
  static const OpenSslLibrary* const library = load();
  return library;
}
