// The audit log in the record viewer (show.exe?audit=1): its latest entries,
// newest first, and the latest hash of its chain, for the administrator to
// note elsewhere (common/access/audit_log.h).
#pragma once

#include <cstddef>

class ShowApplication;

// Entries the page lists at most.
inline constexpr size_t kAuditPageEntries = 200;

void writeAuditPage(ShowApplication& app);
