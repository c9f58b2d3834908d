// The audit log through the built programs: each administrator action
// leaves one line (the web pages and the command line), an action whose line
// cannot be written is refused, the viewer lists the latest lines, and
// "zorvik --verify-audit" reports the chain's state in its exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/access/audit_log.h"
#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

struct CommandResult {
  int status = -1;
  std::string output;  // standard output and standard error
};

// Runs zorvik with `arguments` on the server's command line, `input` on
// standard input.
CommandResult runZorvik(const std::vector<std::string>& arguments, const std::string& home,
                        const std::string& input = "") {
  TestHome scratch;
  writeFile(scratch.file("in"), input);
  std::string program = programPath("zorvik");
  std::vector<std::string> entries = {"PATH=/usr/bin:/bin", "KALDERHOME=" + home};
  std::vector<char*> envp, argv{program.data()};
  for (std::string& e : entries) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = arguments;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int in = open(scratch.file("in").c_str(), O_RDONLY);
    int out = open(scratch.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(scratch.file("out"))};
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t begin = 0;
  for (size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1)
    lines.push_back(text.substr(begin, end - begin));
  return lines;
}

// Columns 2 to 8 of an audit line (the time and the hash left out), joined by "|".
std::string described(const std::string& line) {
  std::vector<std::string> columns;
  size_t begin = 0;
  for (size_t tab; (tab = line.find('\t', begin)) != std::string::npos; begin = tab + 1)
    columns.push_back(line.substr(begin, tab - begin));
  std::string text;
  for (size_t i = 1; i < columns.size(); ++i) text += (i > 1 ? "|" : "") + columns[i];
  return text;
}

class AuditTrail : public ::testing::Test {
 protected:
  void SetUp() override {
    home.write("kalder.ini",
               "[GENERAL]\npassword=Secret\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("shop.grp",
               "index=private\nform=order\ncatalog=orders order\nlabel=ORD-\ncount=2\n");
    home.write("shop.grp.options", "honeypot=website\n");
    home.write("order.msg", "Stored.\n");
    home.write("orders.dat",
               "&LABEL==ORD-1\ncv==cv.pdf (f1.bin, 5 bytes)\n\n&LABEL==ORD-2\nname==Ana\n\n");
    std::filesystem::create_directories(home.file("orders.files/ord-1"));
    home.write("orders.files/ord-1/f1.bin", "hello");
    std::filesystem::create_directories(home.file("outbox"));
    for (const char* id : {"20261208000001.aaaaaaaaaaaa", "20261208000002.bbbbbbbbbbbb"})
      home.write(std::string("outbox/") + id + ".failed",
                 "message-id=<m@x>\ngroup=shop\ncatalog=orders\nlabel=ORD-2\n"
                 "created=1796770000\nnext=1796770060\nattempts=1\nreply=550 no\n"
                 "sender=s@x\nrecipient=r@example.org\nsubject=s\n\nb\n");
  }

  CgiResult run(const std::string& program, const std::string& group, const std::string& query,
                const std::string& body) const {
    return runCgi(programPath(program), postEnvironment(home.path(), program, group, query, body),
                  body);
  }
  std::vector<std::string> auditLines() const {
    return home.exists(kAuditLogName) ? linesOf(home.read(kAuditLogName))
                                      : std::vector<std::string>();
  }
  std::string quarantinedLabel() const {
    std::string held = home.read("shop.grp.quarantine");
    size_t at = held.find("&LABEL==") + 8;
    return held.substr(at, held.find('\n', at) - at);
  }

  TestHome home;
};

TEST_F(AuditTrail, EachAdministratorActionLeavesItsLines) {
  const std::string address = "192.0.2.7";
  const struct {
    const char* program;
    const char* group;
    std::string query;
    std::string body;
    std::vector<std::string> logged;
  } rows[] = {
      {"show",
       "shop",
       "label=ORD-1&catalog=orders",
       "password=wrong",
       {"show|192.0.2.7|refused|login|-|-|-"}},
      {"show", "shop", "", "password=Secret", {}},  // the group page
      {"show",
       "shop",
       "label=ORD-1&catalog=orders",
       "password=Secret",
       {"show|192.0.2.7|ok|record viewed|shop|orders|ORD-1"}},
      {"show",
       "shop",
       "label=ORD-1&catalog=orders&file=f1.bin",
       "password=Secret",
       {"show|192.0.2.7|ok|file downloaded|shop|orders|ORD-1 f1.bin"}},
      {"show",
       "shop",
       "catalog=orders&format=csv",
       "password=Secret",
       {"show|192.0.2.7|ok|csv exported|shop|orders|2"}},
      {"show",
       "shop",
       "label=ORD-2&catalog=orders",
       "password=Secret&mail=20261208000001.aaaaaaaaaaaa&mailaction=retry",
       {"show|192.0.2.7|ok|mail retried|shop|-|ORD-2",
        "show|192.0.2.7|ok|record viewed|shop|orders|ORD-2"}},
      {"show",
       "shop",
       "label=ORD-2&catalog=orders",
       "password=Secret&mail=20261208000002.bbbbbbbbbbbb&mailaction=drop",
       {"show|192.0.2.7|ok|mail dropped|shop|-|ORD-2",
        "show|192.0.2.7|ok|record viewed|shop|orders|ORD-2"}},
      {"show", "shop", "label=ORD-2&catalog=orders&erase=1", "password=Secret", {}},
      {"show",
       "shop",
       "label=ORD-2&catalog=orders&erase=1",
       "password=Secret&confirm=ORD-2",
       {"show|192.0.2.7|ok|record erased|shop|orders|ORD-2"}},
      {"insert", "shop", "formid=order", "name=Bot&website=x", {}},  // a visitor's
      {"show",
       "shop",
       "quarantine=delete&label={HELD}",
       "password=Secret",
       {"show|192.0.2.7|ok|quarantine deleted|shop|orders|{HELD}"}},
      {"insert", "shop", "formid=order", "name=Bot&website=x", {}},
      {"show",
       "shop",
       "quarantine=release&label={HELD}",
       "password=Secret",
       {"show|192.0.2.7|ok|quarantine released|shop|orders|{HELD} ORD-3"}},
      {"show",
       "shop",
       "",
       "password=Secret&person=Bot&format=zip",
       {"show|192.0.2.7|ok|person exported|shop|-|-"}},
      {"show",
       "shop",
       "",
       "password=Secret&person=Bot&eraseperson=2&labels=ORD-3",
       {"show|192.0.2.7|ok|person erased|shop|-|1"}},
      {"lunoder", "shop", "", "password=Secret", {"lunoder|192.0.2.7|ok|index rebuilt|shop|-|1"}},
      {"zorvik",
       "shop",
       "",
       "password=Secret&action=Save+Changes",
       {"zorvik|192.0.2.7|ok|group saved|shop|-|-"}},
      {"zorvik",
       "",
       "",
       "password=Secret&action=Save+Changes",
       {"zorvik|192.0.2.7|ok|settings saved|-|-|-"}},
  };
  for (const auto& row : rows) {
    size_t before = auditLines().size();
    std::string held =
        home.exists("shop.grp.quarantine") && row.query.find("{HELD}") != row.query.npos
            ? quarantinedLabel()
            : "";
    auto withHeld = [&](std::string text) {
      for (size_t at; (at = text.find("{HELD}")) != std::string::npos;) text.replace(at, 6, held);
      return text;
    };
    CgiResult result = run(row.program, row.group, withHeld(row.query), row.body);
    ASSERT_EQ(result.status, 0) << row.program << "?" << row.query << "\n" << result.output;
    std::vector<std::string> lines = auditLines();
    ASSERT_EQ(lines.size(), before + row.logged.size()) << row.program << "?" << row.query;
    for (size_t i = 0; i < row.logged.size(); ++i)
      EXPECT_EQ(described(lines[before + i]), withHeld(row.logged[i])) << row.query;
  }
  CommandResult password = runZorvik({"--set-password"}, home.path(), "Other\n");
  ASSERT_EQ(password.status, 0) << password.output;
  EXPECT_EQ(described(auditLines().back()), "zorvik|-|ok|password set|-|-|-");

  struct stat info;
  ASSERT_EQ(stat(home.file(kAuditLogName).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  std::string last = auditLines().back();
  CommandResult verified = runZorvik({"--verify-audit"}, home.path());
  EXPECT_EQ(verified.status, 0);
  EXPECT_EQ(verified.output, "intact " + last.substr(last.rfind('\t') + 1) + "\n");
  // Never a field's content or a password.
  for (const char* secret : {"Ana", "Bot", "Secret", "Other", "cv.pdf", "hello"})
    EXPECT_EQ(home.read(kAuditLogName).find(secret), std::string::npos) << secret;
}

TEST_F(AuditTrail, ActionIsRefusedWhenItsLineCannotBeWritten) {
  ASSERT_EQ(mkdir(home.file(kAuditLogName).c_str(), 0700), 0);
  const char* refused = "Cannot create file <tt>";
  for (const std::string& query :
       {std::string("label=ORD-1&catalog=orders"), std::string("catalog=orders&format=csv"),
        std::string("label=ORD-1&catalog=orders&file=f1.bin")}) {
    CgiResult result = run("show", "shop", query, "password=Secret");
    EXPECT_NE(result.status, 0) << query;
    EXPECT_NE(result.output.find(refused), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("hello"), std::string::npos) << query;
    EXPECT_EQ(result.output.find("ORD-2"), std::string::npos) << query;
  }
  std::string catalog = home.read("orders.dat");
  CgiResult erase =
      run("show", "shop", "label=ORD-2&catalog=orders&erase=1", "password=Secret&confirm=ORD-2");
  EXPECT_NE(erase.output.find(refused), std::string::npos) << erase.output;
  EXPECT_EQ(home.read("orders.dat"), catalog);
  CgiResult rebuild = run("lunoder", "shop", "", "password=Secret");
  EXPECT_NE(rebuild.output.find(refused), std::string::npos) << rebuild.output;

  std::string settings = home.read("kalder.ini");
  CommandResult password = runZorvik({"--set-password"}, home.path(), "Other\n");
  EXPECT_EQ(password.status, 1) << password.output;
  EXPECT_EQ(home.read("kalder.ini"), settings);
}

TEST_F(AuditTrail, ViewerListsTheLatestEntriesNewestFirst) {
  run("show", "shop", "label=ORD-1&catalog=orders", "password=Secret");
  run("show", "shop", "label=ORD-2&catalog=orders", "password=Secret");
  CgiResult login =
      runCgi(programPath("show"), postEnvironment(home.path(), "show", "", "audit=1", "password="),
             "password=");
  EXPECT_NE(login.output.find("<form method=post action=\"/cgi-bin/show.exe?audit=1\">"),
            std::string::npos)
      << login.output;
  CgiResult page = runCgi(programPath("show"),
                          postEnvironment(home.path(), "show", "", "audit=1", "password=Secret"),
                          "password=Secret");
  ASSERT_EQ(page.status, 0) << page.output;
  std::string last = auditLines().back();
  EXPECT_NE(page.output.find("The latest 2 entries, newest first. The latest hash of the chain "
                             "is <tt>" +
                             last.substr(last.rfind('\t') + 1) + "</tt>"),
            std::string::npos)
      << page.output;
  size_t second = page.output.find("<td>ORD-2</td>");
  size_t first = page.output.find("<td>ORD-1</td>");
  ASSERT_NE(second, std::string::npos) << page.output;
  EXPECT_LT(second, first);
  EXPECT_NE(page.output.find("<td>show</td><td>192.0.2.7</td><td>ok</td><td>record viewed</td>"
                             "<td>shop</td><td>orders</td><td>ORD-2</td></tr>"),
            std::string::npos);
  CgiResult slovenian = runCgi(
      programPath("show"),
      postEnvironment(home.path(), "show", "shop", "audit=1&language=slo", "password=Secret"),
      "password=Secret");
  EXPECT_NE(slovenian.output.find("Revizijska sled"), std::string::npos) << slovenian.output;
}

TEST_F(AuditTrail, VerifyCommandReportsTheChainInItsExitStatus) {
  EXPECT_EQ(runZorvik({"--verify-audit"}, home.path()).output,
            std::string("intact ") + kAuditFirstHash + "\n");
  AuditEntry entry;
  entry.program = "show";
  entry.action = "record viewed";
  {
    AuditLog log(home.path());
    ASSERT_TRUE(log.open());
    for (const char* label : {"ORD-1", "ORD-2", "ORD-3"}) {
      entry.subject = label;
      ASSERT_TRUE(log.append(entry));
    }
  }
  std::string intact = home.read(kAuditLogName);
  std::vector<std::string> lines = linesOf(intact);
  const struct {
    const char* what;
    std::string log;
    int status;
    std::string output;
  } rows[] = {
      {"intact", intact, 0, "intact " + lines[2].substr(lines[2].rfind('\t') + 1) + "\n"},
      {"a changed line",
       lines[0] + "\n" + lines[1].substr(0, 30) + "x" + lines[1].substr(31) + "\n" + lines[2] +
           "\n",
       1, "broken: audit.log line 2\n"},
      {"a removed line", lines[0] + "\n" + lines[2] + "\n", 1, "broken: audit.log line 2\n"},
  };
  for (const auto& row : rows) {
    home.write(kAuditLogName, row.log);
    CommandResult result = runZorvik({"--verify-audit", "--home", home.path()}, "/nonexistent");
    EXPECT_EQ(result.status, row.status) << row.what;
    EXPECT_EQ(result.output, row.output) << row.what;
  }
  // A rotated pair is one chain.
  home.write(kAuditLogName, intact);
  {
    AuditLog log(home.path(), static_cast<long>(intact.size()));
    entry.subject = "ORD-4";
    ASSERT_TRUE(log.open() && log.append(entry));
  }
  ASSERT_TRUE(home.exists(kAuditOldLogName));
  EXPECT_EQ(runZorvik({"--verify-audit"}, home.path()).status, 0);
  home.write(kAuditOldLogName, lines[0] + "\n" + lines[2] + "\n");
  CommandResult broken = runZorvik({"--verify-audit"}, home.path());
  EXPECT_EQ(broken.status, 1);
  EXPECT_EQ(broken.output, "broken: audit.log.1 line 2\n");
  EXPECT_EQ(runZorvik({"--verify-audit", "--bogus"}, home.path()).status, 2);
}

}  // namespace
