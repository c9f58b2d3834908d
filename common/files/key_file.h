// Writing a secret the programs make (address.key, reply.key, a group's
// .pow.key and .webhook.key): whole under a name of its own, mode 0600,
// flushed, then linked to its place, which fails when the file exists, so
// no reader sees half a key and two first requests keep one; or, for a
// rotation the administrator asked for, renamed over the old key.
#pragma once

#include <string_view>

#include "common/text/text.h"

// False when it cannot be written; true too when a key was there already
// (unless `replace`).
bool writeKeyFile(const Text& path, std::string_view content, bool replace = false);
