// Escaping of outside text lives with the page writers, in
// common/cgi/html_escape.h (escapeHtml); CgiPage::fatal escapes the arguments
// of every error message itself. This header only forwards there.
#pragma once

#include "common/cgi/html_escape.h"
