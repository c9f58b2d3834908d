// The header lines of the script policy.
#include "common/cgi/script_policy.h"

Text scriptPolicyLines(std::string_view scriptSource) {
  return Text("Content-Security-Policy: frame-ancestors 'none'; script-src ") +
         (scriptSource.empty() ? std::string_view("'none'") : scriptSource) +
         "\nX-Content-Type-Options: nosniff\n";
}
