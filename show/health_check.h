// The health page (show.exe?health=1), for a monitor that asks without a
// password: "200 ok" when the settings read and the folders the programs
// write are writable by this process, else "503" and the name of the first
// check that failed ("settings", "home", "outbox", "webhooks",
// "workdir <group>"), never a path. It is answered before the settings are
// read as the other pages read them, so that a settings file that cannot be
// read is a failed check and not an error page.
#pragma once

#include <sys/stat.h>

#include <string>

#include "common/cgi/request_context.h"

// True when the query string asks for the health page.
bool asksForHealth(const RequestContext& request);
int answerHealthRequest(const RequestContext& request);

// Whether the directory `info` describes lets this process create files in
// it, by its permission bits for the effective user and groups. Unlike
// access(2), the bits hold for root too, so a folder made read-only fails
// the check whoever runs it (an ACL that grants more is not seen).
bool directoryWritableByMe(const struct stat& info);

// The name of the first failed check of `home` (ending in "/"), empty when
// all pass.
std::string failedHealthCheck(const std::string& home);
