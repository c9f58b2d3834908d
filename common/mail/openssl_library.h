// The OpenSSL calls of the mail's TLS, looked up in Debian's libssl (and the
// libcrypto it brings) when the first TLS connection is opened. The programs
// are not linked with either library: loading them costs a process start
// about as much as the rest of a request, and only a mail run that talks TLS
// needs them.
#pragma once

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

// Every call TlsTransport makes, by its OpenSSL name.
// clang-format off
#define KALDER_OPENSSL_CALLS(CALL)       \
  CALL(TLS_client_method)                \
  CALL(SSL_CTX_new)                      \
  CALL(SSL_CTX_free)                     \
  CALL(SSL_CTX_ctrl)                     \
  CALL(SSL_CTX_set_verify)               \
  CALL(SSL_CTX_set_options)              \
  CALL(SSL_CTX_set_default_verify_paths) \
  CALL(SSL_CTX_load_verify_locations)    \
  CALL(SSL_new)                          \
  CALL(SSL_free)                         \
  CALL(SSL_set_fd)                       \
  CALL(SSL_get0_param)                   \
  CALL(SSL_ctrl)                         \
  CALL(SSL_set_hostflags)                \
  CALL(SSL_set1_host)                    \
  CALL(SSL_connect)                      \
  CALL(SSL_get_error)                    \
  CALL(SSL_is_init_finished)             \
  CALL(SSL_shutdown)                     \
  CALL(SSL_write_ex)                     \
  CALL(SSL_read_ex)                      \
  CALL(SSL_get_verify_result)            \
  CALL(X509_VERIFY_PARAM_set1_ip_asc)    \
  CALL(X509_verify_cert_error_string)    \
  CALL(ERR_get_error)                    \
  CALL(ERR_reason_error_string)          \
  CALL(ERR_clear_error)
// clang-format on

// One pointer per call, typed as the OpenSSL headers declare it.
struct OpenSslLibrary {
#define KALDER_OPENSSL_POINTER(name) decltype(&::name) name = nullptr;
  KALDER_OPENSSL_CALLS(KALDER_OPENSSL_POINTER)
#undef KALDER_OPENSSL_POINTER
};

// The calls, loaded on first use and kept for the life of the process; null
// when libssl cannot be loaded or lacks one of them.
const OpenSslLibrary* openSslLibrary();
