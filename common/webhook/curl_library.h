// The libcurl calls of a webhook delivery, looked up in Debian's libcurl
// (libcurl4, the OpenSSL build) when the first delivery is tried. The
// programs are not linked with it: only a delivery run needs HTTP, and no
// web request should pay for loading it.
#pragma once

#include <curl/curl.h>

// clang-format off
#define KALDER_CURL_CALLS(CALL) \
  CALL(curl_global_init)        \
  CALL(curl_easy_init)          \
  CALL(curl_easy_setopt)        \
  CALL(curl_easy_perform)       \
  CALL(curl_easy_getinfo)       \
  CALL(curl_easy_cleanup)       \
  CALL(curl_easy_strerror)      \
  CALL(curl_slist_append)       \
  CALL(curl_slist_free_all)
// clang-format on

struct CurlLibrary {
#define KALDER_CURL_POINTER(name) decltype(&::name) name = nullptr;
  KALDER_CURL_CALLS(KALDER_CURL_POINTER)
#undef KALDER_CURL_POINTER
};

// The calls, loaded and initialised on first use and kept for the life of
// the process; null when libcurl cannot be loaded or lacks one of them.
const CurlLibrary* curlLibrary();
