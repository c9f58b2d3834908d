// The audit log: who did what on the administration pages (and on the
// server's command line), as a chain of hashed lines in which a changed or
// removed line shows. Its writer, its verifier and its reader side by side.
//
// The bytes: "audit.log" in the home, mode 0600, one line per action, each
// ended by a line feed, of nine columns separated by tabs:
//
//   2024-05-01T10:34:56Z  show  192.0.2.7  ok  record viewed  shop  orders  ORD-3  <hash>
//
// the time in UTC (ISO 8601), the program, the client's address ("-" on the
// command line), the outcome ("ok", "refused"), the action, the group, the
// catalog and the label or a count; a column that does not apply is "-".
// Never a field's content, never a password. Every column is cut to
// kMaxAuditColumn bytes, and a tab, line feed or other control character in
// it becomes a blank.
//
// <hash> is the SHA-256, in 64 lower-case hex digits, of the previous line's
// hash, a tab and this line's first eight columns as written (with their
// seven tabs, without the tab before the hash):
//
//   hash = hex(SHA-256(previous hash + "\t" + columns 1..8))
//
// The first line's previous hash is 64 zeros. Past kAuditRotateBytes the log
// moves to "audit.log.1" (replacing an older one) and the new file begins
// with the line "# continues <hash>", the hash of the last line of the old
// one, from which its chain goes on.
//
// A writer appends one whole line under an flock of "audit.lck" in the home
// and flushes it to disk before it returns. A line cut short by a crash is
// dropped by the next append. The chain shows a changed or removed line; a
// log whose tail was cut off or whose chain was recomputed whole looks
// intact, which is why the latest hash is shown for the administrator to
// note elsewhere.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char kAuditLogName[] = "audit.log";
inline constexpr char kAuditOldLogName[] = "audit.log.1";
inline constexpr char kAuditLockName[] = "audit.lck";
inline constexpr char kAuditContinues[] = "# continues ";
inline constexpr long kAuditRotateBytes = 10L * 1024 * 1024;
inline constexpr size_t kMaxAuditColumn = 200;
inline constexpr char kAuditFirstHash[] =
    "0000000000000000000000000000000000000000000000000000000000000000";

// One action. Text columns are written as described above; `time` 0 is the
// moment of writing. The actions the programs write: "login" (outcome
// "refused": a wrong password), "password set", "settings saved", "group
// saved", "record viewed", "csv exported", "file downloaded", "record
// erased", "quarantine released", "quarantine deleted", "mail retried",
// "mail dropped", "index rebuilt"; a further action names itself the same
// way, in lower-case words ("person exported", "expiry").
struct AuditEntry {
  std::string program;  // "show", "zorvik", "lunoder", "insert"
  std::string address;  // the client's address; empty on the command line
  std::string outcome = "ok";
  std::string action;
  std::string group;
  std::string catalog;
  std::string subject;  // a label, or a count ("12")
  std::time_t time = 0;
};

// The eight columns of `entry` as a line holds them, without the hash.
std::string auditColumns(const AuditEntry& entry);
// The hash of a line whose columns are `columns`, after `previousHash`.
std::string auditHash(std::string_view previousHash, std::string_view columns);

// The log of one home, for appending:
//
//   AuditLog log(home);
//   if (!log.open()) refuse();   // before the action: nothing done unlogged
//   ... the action ...
//   if (!log.append(entry)) fail();
class AuditLog {
 public:
  // `rotateBytes`: the size past which the log moves (tests make it small).
  explicit AuditLog(std::string home, long rotateBytes = kAuditRotateBytes);
  ~AuditLog();
  AuditLog(const AuditLog&) = delete;
  AuditLog& operator=(const AuditLog&) = delete;

  // Opens the log for appending; false when it cannot be written. A log
  // that does not exist yet is created (mode 0600) by the first append.
  bool open();
  // Appends `entry` under the lock, moving a full log to audit.log.1 first,
  // and flushes it to disk. False when the whole line is not on disk (a
  // partial line is cut back).
  bool append(const AuditEntry& entry);
  // The path of the log, for a message.
  const std::string& path() const { return path_; }

 private:
  bool openOrCreate();
  bool reopenIfMoved();
  bool rotate(const std::string& lastHash);
  std::string lastHash();

  std::string home_;
  std::string path_;
  long rotateBytes_;
  int fd_ = -1;
};

// AuditLog(home).append(entry): one action that is logged once it is done.
bool appendAudit(const std::string& home, const AuditEntry& entry);

// What a check of the whole chain (audit.log.1, then audit.log) found: the
// first line that does not hold, or none, and the latest hash.
struct AuditCheck {
  bool intact = true;
  std::string brokenFile;  // kAuditOldLogName or kAuditLogName
  long brokenLine = 0;     // counted from 1 in brokenFile
  std::string latestHash = kAuditFirstHash;
};
AuditCheck verifyAuditLog(const std::string& home);

// The latest `count` action lines (oldest first) of audit.log and, when it
// holds fewer, of audit.log.1, and the latest hash.
struct AuditTail {
  std::vector<std::string> lines;  // without their line feeds
  std::string latestHash = kAuditFirstHash;
};
AuditTail latestAuditLines(const std::string& home, size_t count);

// The nine columns of an action line; empty when it has not nine.
std::vector<std::string_view> auditLineColumns(std::string_view line);
