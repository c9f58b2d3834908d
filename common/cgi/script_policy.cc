// The header lines of the script policy and the digest of an inline script.
#include "common/cgi/script_policy.h"

#include <openssl/evp.h>

Text inlineScriptSource(std::string_view script) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestLength = 0;
  EVP_Digest(script.data(), script.size(), digest, &digestLength, EVP_sha256(), nullptr);
  // Four characters for every three bytes, and the NUL that EVP_EncodeBlock adds.
  unsigned char base64[4 * ((EVP_MAX_MD_SIZE + 2) / 3) + 1];
  int length = EVP_EncodeBlock(base64, digest, static_cast<int>(digestLength));
  return Text("'sha256-") + std::string_view(reinterpret_cast<char*>(base64), length) + "'";
}

Text scriptPolicyLines(std::string_view scriptSource) {
  return Text("Content-Security-Policy: frame-ancestors 'none'; script-src ") +
         (scriptSource.empty() ? std::string_view("'none'") : scriptSource) +
         "\nX-Content-Type-Options: nosniff\n";
}
