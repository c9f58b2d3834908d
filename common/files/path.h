// Path helpers shared by every layer: directories and extensions with "/"
// separators, and makePath, which lower-cases both parts (a deployment keeps
// its directories and data files in lower case).
#pragma once

#include <string_view>

#include "common/text/text.h"

// `path` up to and including its last "/" (backslashes read as "/"); empty without one.
Text directoryOf(std::string_view path);
// Replaces the extension after the last "." of the file name, or appends one.
void setExtension(Text& path, std::string_view extension);
// The bytes of a file, at most `limit` of them when one is given;
// `readable`, when given, tells whether they could be read (a missing file
// reads as empty and not readable).
Text readFileBytes(const Text& path, bool* readable = nullptr, long limit = -1);
// `directory` and `name` joined with one "/", lower-cased; an absolute name
// ("/..." or a drive letter) is taken alone.
Text makePath(std::string_view directory, std::string_view name);
