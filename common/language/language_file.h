// The file of a request's language: with `languageFiles=on` in a group's
// options, "thanks.tmt" is read as "thanks.slo.tmt" for a Slovenian request
// when that file exists. Mail templates use it, and the pages a group
// answers with can too.
#pragma once

#include <functional>
#include <string_view>

#include "common/text/text.h"

// "dir/thanks.tmt" -> "dir/thanks.slo.tmt": the language's short name before
// the last ending of the file name (after the name when it has none).
Text languageVariantPath(const Text& path, std::string_view languageName);

// The variant of `path` for `languageName` when `exists` finds it, else
// `path` itself.
Text languageFilePath(const Text& path, std::string_view languageName,
                      const std::function<bool(const Text&)>& exists);
