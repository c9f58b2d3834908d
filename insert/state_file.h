// The small state files of the spam defences (rates, recent submissions):
// read whole up to a bound, replaced whole through a temporary file. They
// are not flushed to disk: a crash that loses one only forgets some counts,
// and a submission should not wait for the disk twice more.
#pragma once

#include <string_view>

#include "common/text/text.h"

// The file's bytes, at most `limit` of them; empty when it does not exist.
Text readStateFile(const Text& path, long limit);
// Replaces the file by `text`; false when it cannot be written.
bool replaceStateFile(const Text& path, std::string_view text);
