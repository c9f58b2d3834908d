// The audit log's lines and chain: appending, the check that finds a changed
// or removed line (also across a rotated pair), and the latest lines.
#include "common/access/audit_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "support/test_home.h"

namespace {

// 2024-05-01T10:34:56Z
constexpr std::time_t kMay1 = 1714559696;

AuditEntry entry(const std::string& action, const std::string& subject) {
  AuditEntry e;
  e.program = "show";
  e.address = "192.0.2.7";
  e.action = action;
  e.group = "shop";
  e.catalog = "orders";
  e.subject = subject;
  e.time = kMay1;
  return e;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  size_t begin = 0;
  for (size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1)
    out.push_back(text.substr(begin, end - begin));
  return out;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

class AuditLogTest : public ::testing::Test {
 protected:
  // Appends `count` entries labelled ORD-1, ORD-2, ... to a log that moves
  // past `rotateBytes`.
  void append(int count, long rotateBytes = kAuditRotateBytes) {
    AuditLog log(home.path(), rotateBytes);
    ASSERT_TRUE(log.open());
    for (int i = 0; i < count; ++i)
      ASSERT_TRUE(log.append(entry("record viewed", "ORD-" + std::to_string(++appended))));
  }
  std::string where(const AuditCheck& check) {
    return check.intact ? "intact" : check.brokenFile + " line " + std::to_string(check.brokenLine);
  }

  TestHome home;
  int appended = 0;
};

TEST_F(AuditLogTest, LinesAreTheColumnsAndTheChainedHash) {
  append(2);
  std::vector<std::string> written = lines(home.read(kAuditLogName));
  ASSERT_EQ(written.size(), 2u);
  std::string first =
      "2024-05-01T10:34:56Z\tshow\t192.0.2.7\tok\trecord viewed\tshop\torders\tORD-1";
  std::string firstHash = auditHash(kAuditFirstHash, first);
  EXPECT_EQ(written[0], first + "\t" + firstHash);
  std::string second = first.substr(0, first.size() - 1) + "2";
  EXPECT_EQ(written[1], second + "\t" + auditHash(firstHash, second));
  AuditCheck check = verifyAuditLog(home.path());
  EXPECT_TRUE(check.intact);
  EXPECT_EQ(check.latestHash, auditHash(firstHash, second));
  struct stat info;
  ASSERT_EQ(stat(home.file(kAuditLogName).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(AuditLogTest, ColumnsHoldNoControlCharactersAndAreBounded) {
  AuditEntry e = entry("record\tviewed", "ORD\n-1\r\x1b\x7f");
  e.group = "";
  e.catalog = std::string(300, 'c');
  std::string columns = auditColumns(e);
  EXPECT_EQ(columns, "2024-05-01T10:34:56Z\tshow\t192.0.2.7\tok\trecord viewed\t-\t" +
                         std::string(kMaxAuditColumn, 'c') + "\tORD -1   ");
  // A cut never splits a UTF-8 sequence.
  e.catalog = std::string(kMaxAuditColumn - 1, 'c') + "\xc4\x8d";
  EXPECT_NE(auditColumns(e).find("\t" + std::string(kMaxAuditColumn - 1, 'c') + "\tORD"),
            std::string::npos);
}

// Each damage a check must find, and where.
TEST_F(AuditLogTest, CheckFindsTheFirstBrokenLine) {
  const struct {
    const char* what;
    std::function<void(std::vector<std::string>&)> damage;
    const char* found;
  } rows[] = {
      {"nothing", [](std::vector<std::string>&) {}, "intact"},
      {"a changed label",
       [](std::vector<std::string>& l) { l[1].replace(l[1].find("ORD-2"), 5, "ORD-9"); },
       "audit.log line 2"},
      {"a removed line", [](std::vector<std::string>& l) { l.erase(l.begin() + 1); },
       "audit.log line 2"},
      {"the first line removed", [](std::vector<std::string>& l) { l.erase(l.begin()); },
       "audit.log line 1"},
      {"two lines swapped", [](std::vector<std::string>& l) { std::swap(l[2], l[3]); },
       "audit.log line 3"},
      {"a changed hash",
       [](std::vector<std::string>& l) { l[3].back() = l[3].back() == '0' ? '1' : '0'; },
       "audit.log line 4"},
      {"a line of eight columns", [](std::vector<std::string>& l) { l[2].erase(l[2].rfind('\t')); },
       "audit.log line 3"},
      {"an empty line", [](std::vector<std::string>& l) { l.insert(l.begin() + 2, ""); },
       "audit.log line 3"},
      {"a continues line inside",
       [](std::vector<std::string>& l) {
         l.insert(l.begin() + 2, std::string(kAuditContinues) + kAuditFirstHash);
       },
       "audit.log line 3"},
  };
  append(4);
  std::string intact = home.read(kAuditLogName);
  for (const auto& row : rows) {
    std::vector<std::string> damaged = lines(intact);
    row.damage(damaged);
    home.write(kAuditLogName, joined(damaged));
    EXPECT_EQ(where(verifyAuditLog(home.path())), row.found) << row.what;
  }
  // A last line without its line feed was cut short.
  home.write(kAuditLogName, intact.substr(0, intact.size() - 1));
  EXPECT_EQ(where(verifyAuditLog(home.path())), "audit.log line 4");
}

TEST_F(AuditLogTest, NextAppendDropsALineCutShort) {
  append(2);
  std::string intact = home.read(kAuditLogName);
  home.write(kAuditLogName, intact + "2024-05-01T10:34:56Z\tshow\t192.0");
  append(1);
  std::vector<std::string> written = lines(home.read(kAuditLogName));
  ASSERT_EQ(written.size(), 3u);
  EXPECT_NE(written[2].find("ORD-3"), std::string::npos);
  EXPECT_TRUE(verifyAuditLog(home.path()).intact);
}

TEST_F(AuditLogTest, FullLogMovesAndTheChainContinues) {
  append(3);
  long size = static_cast<long>(home.read(kAuditLogName).size());
  append(2, size);  // the first of these finds the log full
  std::vector<std::string> old = lines(home.read(kAuditOldLogName));
  std::vector<std::string> current = lines(home.read(kAuditLogName));
  ASSERT_EQ(old.size(), 3u);
  ASSERT_EQ(current.size(), 3u);
  EXPECT_EQ(current[0], kAuditContinues + old[2].substr(old[2].rfind('\t') + 1));
  AuditCheck check = verifyAuditLog(home.path());
  EXPECT_TRUE(check.intact);
  EXPECT_EQ(check.latestHash, current[2].substr(current[2].rfind('\t') + 1));

  const struct {
    const char* what;
    const char* file;
    std::function<void(std::vector<std::string>&)> damage;
    const char* found;
  } rows[] = {
      {"a changed line of the old log", kAuditOldLogName,
       [](std::vector<std::string>& l) { l[1].replace(l[1].find("ORD-2"), 5, "ORD-7"); },
       "audit.log.1 line 2"},
      {"the old log's last line removed", kAuditOldLogName,
       [](std::vector<std::string>& l) { l.pop_back(); }, "audit.log line 1"},
      {"the continues line changed", kAuditLogName,
       [](std::vector<std::string>& l) { l[0] = std::string(kAuditContinues) + kAuditFirstHash; },
       "audit.log line 1"},
  };
  for (const auto& row : rows) {
    std::vector<std::string> damaged = std::string(row.file) == kAuditOldLogName ? old : current;
    row.damage(damaged);
    home.write(row.file, joined(damaged));
    EXPECT_EQ(where(verifyAuditLog(home.path())), row.found) << row.what;
    home.write(kAuditOldLogName, joined(old));
    home.write(kAuditLogName, joined(current));
  }
  // Without the old log the new one still holds from its continues line.
  ASSERT_EQ(std::remove(home.file(kAuditOldLogName).c_str()), 0);
  EXPECT_TRUE(verifyAuditLog(home.path()).intact);
}

TEST_F(AuditLogTest, LatestLinesComeFromBothFilesOldestFirst) {
  EXPECT_TRUE(latestAuditLines(home.path(), 10).lines.empty());
  EXPECT_EQ(latestAuditLines(home.path(), 10).latestHash, kAuditFirstHash);
  append(3);
  append(2, static_cast<long>(home.read(kAuditLogName).size()));
  AuditTail tail = latestAuditLines(home.path(), 4);
  ASSERT_EQ(tail.lines.size(), 4u);
  for (size_t i = 0; i < 4; ++i)
    EXPECT_NE(tail.lines[i].find("ORD-" + std::to_string(i + 2)), std::string::npos) << i;
  EXPECT_EQ(tail.latestHash, verifyAuditLog(home.path()).latestHash);
  EXPECT_EQ(latestAuditLines(home.path(), 10).lines.size(), 5u);
  EXPECT_EQ(auditLineColumns(tail.lines[0]).size(), 9u);
}

TEST_F(AuditLogTest, AnUnwritableLogIsReported) {
  ASSERT_EQ(mkdir(home.file(kAuditLogName).c_str(), 0700), 0);
  AuditLog log(home.path());
  EXPECT_FALSE(log.open());
  EXPECT_FALSE(appendAudit(home.path(), entry("record viewed", "ORD-1")));
}

}  // namespace
