// Expiry in simulated time: `insert.exe --expire` run under faketime on a
// home whose catalogs were written with known dates. Item, sorted, delimited
// and series catalogs with uploads, private and common indexes (each equal
// to a rebuild afterwards), the log of deletions, owners and modes, the
// outbox's old lines and failed mails, a group that keeps everything, the
// viewer's retention table, and the share a submission's detached run does.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

namespace fs = std::filesystem;

// Today in the simulated time, and what `days` before it is as "yyyymmdd".
const char kNow[] = "2027-03-01 12:00:00";

std::string item(const std::string& label, const std::string& name, const std::string& date) {
  std::string record = "&LABEL==" + label + "\n&FORMID==order\n&COMPUTER==192.0.2.7\n";
  if (!date.empty()) record += "&DATE==" + date + "\n&TIME==1200\n";
  return record + "name==" + name + "\n\n";
}

std::string member(const std::string& label, const std::string& date, const std::string& name) {
  return label + ";member;192.0.2.7;" + date + ";1200;;" + name + "\n";
}

std::string visit(const std::string& label, const std::string& date) {
  return "&LABEL==" + label + "\n&FORMID==visit\n&DATE==" + date + "\nnote=+LABEL\nline\nLABEL\n\n";
}

// Seconds since the epoch of a local time "YYYY-MM-DD HH:MM:SS", as faketime
// takes it.
long long epochOf(const char* when) {
  std::tm local{};
  strptime(when, "%Y-%m-%d %H:%M:%S", &local);
  local.tm_isdst = -1;
  return static_cast<long long>(std::mktime(&local));
}

std::string mailFile(const std::string& group, const std::string& catalog, const std::string& label,
                     const std::string& catalogPath, long long created) {
  return "message-id=<x@kalder>\ngroup=" + group + "\ncatalog=" + catalog + "\nlabel=" + label +
         "\ncatalog-path=" + catalogPath + "\ncreated=" + std::to_string(created) +
         "\nnext=" + std::to_string(created) +
         "\nattempts=1\nreply=\nsender=a@example.org\nrecipient=b@example.org\nsubject=New\n\n"
         "the record's content\n";
}

std::string sentLine(long long time, const std::string& group, const std::string& label) {
  return std::to_string(time) + "\tid\t<m@kalder>\t" + group + "\t" + label +
         "\tb@example.org\t250 ok\n";
}

// Every file under `folder` and its content, for comparing byte for byte.
std::map<std::string, std::string> snapshot(const std::string& folder,
                                            const std::string& prefix = "") {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string name = entry.path().lexically_relative(folder).string();
    if (entry.is_regular_file() && name.rfind(prefix, 0) == 0)
      files[name] = readFile(entry.path().string());
  }
  return files;
}

class Retention : public ::testing::Test {
 protected:
  void SetUp() override {
    home.write("kalder.ini", "[GENERAL]\npassword=Secret\n[GROUPS]\nshop=" + home.file("shop.grp") +
                                 "\nclub=" + home.file("club.grp") + "\nfair=" +
                                 home.file("fair.grp") + "\nkeep=" + home.file("keep.grp") + "\n");
    // Sorted by name through private indexes; notes are kept for ever.
    home.write("shop.grp", "insert=sort name\ncatalog=orders order\ncatalog=notes order\n");
    home.write("shop.grp.options", "retainDays=30\nretainDays.notes=0\n");
    home.write("orders.dat", item("ORD-1", "Ana", "20270110") + item("ORD-2", "Bor", "20270215") +
                                 item("ORD-3", "Cene", "20261201") + item("ORD-4", "Dana", "") +
                                 item("ORD-5", "Eva", "20270129") +
                                 item("ORD-6", "Fran", "20270130"));
    home.write("notes.dat", item("ORD-7", "Old", "19990101"));
    writeUpload("orders.files/ord-3/f1.bin", "scan");
    writeUpload("orders.files/ord-2/f1.bin", "kept");
    // Delimited, one index for both catalogs; only "a" loses records.
    home.write("club.grp", "data=;name\nindex=common\ncatalog=a member\ncatalog=b member\n");
    home.write("club.grp.options", "retainDays.a=30\n");
    home.write("a.dat", member("M-1", "20270101", "Ann") + member("M-2", "20270220", "Bo") +
                            member("M-4", "20260101", "Di"));
    home.write("b.dat", member("M-3", "20200101", "Cy"));
    // A series by month ages whole; one a posted year chooses, record by record.
    home.write("fair.grp",
               "form=visit\nform=event\ncatalog=visits* visit visits[YYYY][MM].dat\n"
               "catalog=events*year event ev[YYYY].dat\n");
    home.write("fair.grp.options", "retainDays=60\n");
    home.write("visits202611.dat", visit("V-1", "20261101") + visit("V-2", "20261130"));
    home.write("visits202612.dat", visit("V-3", "20261215") + visit("V-4", "20261231"));
    home.write("visits202703.dat", visit("V-5", "20270301"));
    writeUpload("visits202611.files/v-1/f1.bin", "photo");
    home.write("ev2025.dat", visit("E-1", "20250601") + visit("E-2", "20270201"));
    // Old records of a group without retention.
    home.write("keep.grp", "catalog=old order\n");
    home.write("keep.grp.options", "uploadEndings=pdf\n");
    home.write("old.dat", item("K-1", "Kept", "19990101"));
    writeUpload("old.files/k-1/f1.bin", "kept");
    for (const char* group : {"shop", "club", "fair", "keep"}) rebuild(group);
  }

  void writeUpload(const std::string& name, const std::string& content) {
    fs::create_directories(fs::path(home.file(name)).parent_path());
    home.write(name, content);
  }

  void writeOutbox(long long now) {
    fs::create_directories(home.file("outbox"));
    long long day = 24 * 3600;
    home.write("outbox/1.aa.mail",
               mailFile("shop", "orders", "ORD-1", home.file("orders.dat"), now - 2 * day));
    home.write("outbox/2.aa.mail",
               mailFile("shop", "orders", "ORD-2", home.file("orders.dat"), now - 2 * day));
    home.write("outbox/3.aa.mail", mailFile("fair", "visits202611", "V-9",
                                            home.file("visits202611.dat"), now - 2 * day));
    home.write("outbox/4.aa.failed",
               mailFile("SHOP", "orders", "ORD-2", home.file("orders.dat"), now - 31 * day));
    home.write("outbox/5.aa.failed",
               mailFile("shop", "orders", "ORD-6", home.file("orders.dat"), now - 29 * day));
    home.write("outbox/6.aa.failed",
               mailFile("shop", "notes", "ORD-7", home.file("notes.dat"), now - 900 * day));
    home.write("outbox/7.aa.failed",
               mailFile("keep", "old", "K-1", home.file("old.dat"), now - 900 * day));
    home.write("outbox/sent.log", sentLine(now - 31 * day, "shop", "ORD-0") +
                                      sentLine(now - 31 * day, "keep", "K-0") +
                                      sentLine(now - 61 * day, "fair", "V-0") +
                                      sentLine(now - 29 * day, "shop", "ORD-1"));
  }

  CgiResult rebuild(const std::string& group) {
    return runCgi(programPath("lunoder"),
                  postEnvironment(home.path(), "lunoder", group, "", "password=Secret"),
                  "password=Secret");
  }

  // insert.exe --expire at the local time `when`.
  CgiResult expire(const std::string& when) {
    return runCommand(atFakeTime(when) + programPath("insert") + " --expire --home " + home.path());
  }

  TestHome home;
};

TEST_F(Retention, ExpiryTakesOldRecordsWithTheirIndexUploadsAndMails) {
  writeOutbox(epochOf(kNow));
  home.write("shop.grp.uploads", "100\n");
  home.write("fair.grp.uploads", "50\n");
  std::map<std::string, std::string> kept = snapshot(home.path(), "old.");
  kept["keep.grp"] = home.read("keep.grp");
  kept["keep.idx"] = home.exists("keep.idx") ? home.read("keep.idx") : "";
  CgiResult result = expire(kNow);
  ASSERT_EQ(result.status, 0) << result.output;
  EXPECT_EQ(result.output, "expired 9\n");

  // Today less 30 days is 2027-01-30: ORD-5 of the 29th goes, ORD-6 stays;
  // ORD-4 has no date.
  EXPECT_EQ(home.read("orders.dat"), item("ORD-2", "Bor", "20270215") + item("ORD-4", "Dana", "") +
                                         item("ORD-6", "Fran", "20270130"));
  EXPECT_EQ(home.read("notes.dat"), item("ORD-7", "Old", "19990101"));
  EXPECT_FALSE(home.exists("orders.files/ord-3"));
  EXPECT_TRUE(home.exists("orders.files/ord-2/f1.bin"));
  EXPECT_EQ(home.read("a.dat"), member("M-2", "20270220", "Bo"));
  EXPECT_EQ(home.read("b.dat"), member("M-3", "20200101", "Cy"));
  // November ended more than 60 days ago: the member goes whole, with its
  // index and uploads. December's records go one by one.
  EXPECT_FALSE(home.exists("visits202611.dat"));
  EXPECT_FALSE(home.exists("visits202611.idx"));
  EXPECT_FALSE(home.exists("visits202611.files"));
  // The groups' upload totals lose the bytes of the files that went.
  EXPECT_EQ(home.read("shop.grp.uploads"), "96\n");
  EXPECT_EQ(home.read("fair.grp.uploads"), "45\n");
  EXPECT_EQ(home.read("visits202612.dat"), visit("V-4", "20261231"));
  EXPECT_EQ(home.read("visits202703.dat"), visit("V-5", "20270301"));
  EXPECT_EQ(home.read("ev2025.dat"), visit("E-2", "20270201"));

  // Each index is what a rebuild makes of what is left.
  for (const char* index : {"orders.idx", "notes.idx", "club.idx", "visits202612.idx",
                            "visits202703.idx", "ev2025.idx"}) {
    ASSERT_TRUE(home.exists(index)) << index;
    std::string expired = home.read(index);
    for (const char* group : {"shop", "club", "fair"}) ASSERT_EQ(rebuild(group).status, 0);
    EXPECT_EQ(expired, home.read(index)) << index;
  }

  // One line per catalog file, without content.
  std::string log = home.read("deletions.log");
  EXPECT_EQ(log.substr(0, 14), "2027-03-01 12:") << log;
  std::string columns;
  for (size_t at = 0; at < log.size(); at = log.find('\n', at) + 1)
    columns += log.substr(log.find('\t', at), log.find('\n', at) - log.find('\t', at) + 1);
  EXPECT_EQ(columns,
            "\tshop\torders\texpired 3\t-\n\tclub\ta\texpired 2\t-\n"
            "\tfair\tvisits202612\texpired 1\t-\n\tfair\tvisits202611\texpired 2\t-\n"
            "\tfair\tevents2025\texpired 1\t-\n");
  // And one audit line per catalog file, with its count.
  std::string audit = home.read("audit.log");
  for (const char* line : {"\tinsert\t-\tok\texpiry\tshop\torders\t3\t",
                           "\tinsert\t-\tok\texpiry\tfair\tvisits202612\t1\t"})
    EXPECT_NE(audit.find(line), std::string::npos) << audit;

  // The unsent mails of the records that went, failed mails and sent lines
  // older than their group keeps them.
  std::map<std::string, std::string> outbox = snapshot(home.file("outbox"));
  EXPECT_EQ(outbox.count("1.aa.mail"), 0u);
  EXPECT_EQ(outbox.count("2.aa.mail"), 1u);
  EXPECT_EQ(outbox.count("3.aa.mail"), 0u);
  EXPECT_EQ(outbox.count("4.aa.failed"), 0u);
  EXPECT_EQ(outbox.count("5.aa.failed"), 1u);
  EXPECT_EQ(outbox.count("6.aa.failed"), 1u);
  EXPECT_EQ(outbox.count("7.aa.failed"), 1u);
  long long now = epochOf(kNow), day = 24 * 3600;
  EXPECT_EQ(home.read("outbox/sent.log"),
            sentLine(now - 31 * day, "keep", "K-0") + sentLine(now - 29 * day, "shop", "ORD-1"));

  // A group without retention is untouched byte for byte.
  std::map<std::string, std::string> after = snapshot(home.path(), "old.");
  after["keep.grp"] = home.read("keep.grp");
  after["keep.idx"] = home.exists("keep.idx") ? home.read("keep.idx") : "";
  EXPECT_EQ(after, kept);

  // Nothing more is due: no line, nothing changed.
  std::map<std::string, std::string> before = snapshot(home.path());
  EXPECT_EQ(expire(kNow).output, "expired 0\n");
  EXPECT_EQ(snapshot(home.path()), before);
}

TEST_F(Retention, FilesKeepTheirOwnerAndMode) {
  bool root = geteuid() == 0;
  for (const char* name : {"orders.dat", "orders.idx", "club.idx", "a.dat"}) {
    ASSERT_EQ(chmod(home.file(name).c_str(), 0604), 0);
    if (root) {
      ASSERT_EQ(chown(home.file(name).c_str(), 4321, 8765), 0);
    }
  }
  if (root) {
    for (const char* name : {"shop.grp", "club.grp", "fair.grp", "keep.grp", ""})
      ASSERT_EQ(chown(home.file(name).c_str(), 4321, 8765), 0);
    for (const char* lock : {"shop.lck", "club.lck", "fair.lck"})
      ASSERT_EQ(std::remove(home.file(lock).c_str()), 0);
  }
  ASSERT_EQ(expire(kNow).status, 0);
  for (const char* name : {"orders.dat", "orders.idx", "club.idx", "a.dat"}) {
    struct stat info {};
    ASSERT_EQ(stat(home.file(name).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0604u) << name;
    EXPECT_EQ(info.st_uid, root ? 4321u : geteuid()) << name;
    EXPECT_EQ(info.st_gid, root ? 8765u : getegid()) << name;
  }
  // What the command created stays the web server's to open.
  for (const char* name : {"shop.lck", "deletions.log"}) {
    struct stat info {};
    ASSERT_EQ(stat(home.file(name).c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, root ? 4321u : geteuid()) << name;
  }
}

TEST_F(Retention, ViewerSaysHowLongAndWhenTheOldestGoes) {
  struct Case {
    const char* language;
    const char* rows;
  } cases[] = {
      {"",
       "<h2>Retention</h2>\n<table border=1 cellpadding=4>\n<tr><th>Catalog</th><th>Records "
       "kept</th><th>The oldest record goes</th></tr>\n<tr><td>orders</td><td>30 "
       "days</td><td>on Jan 1, 2027 (stored on Dec 1, 2026)</td></tr>\n"
       "<tr><td>notes</td><td>for ever</td><td></td></tr>\n</table>\n"},
      {"language=slo,utf8,UTF-8&",
       "<h2>Hramba zapisov</h2>\n<table border=1 cellpadding=4>\n<tr><th>Katalog</th>"
       "<th>Zapisi se hranijo</th><th>Najstarej&#353;i zapis bo izbrisan</th></tr>\n"
       "<tr><td>orders</td><td>30 dni</td><td>1. 1. 2027 (shranjen 1. 12. 2026)</td></tr>\n"
       "<tr><td>notes</td><td>trajno</td><td></td></tr>\n</table>\n"},
  };
  for (const Case& c : cases) {
    std::string query = std::string(c.language);
    CgiResult page = runCgi(programPath("show"),
                            postEnvironment(home.path(), "show", "shop", query, "password=Secret"),
                            "password=Secret");
    EXPECT_NE(page.output.find(c.rows), std::string::npos) << page.output;
  }
  CgiResult keep = runCgi(programPath("show"),
                          postEnvironment(home.path(), "show", "keep", "", "password=Secret"),
                          "password=Secret");
  EXPECT_NE(keep.output.find("Catalogs of the group"), std::string::npos) << keep.output;
  EXPECT_EQ(keep.output.find("Retention"), std::string::npos);
}

// A submission to a group that keeps records for a limited time starts a
// detached run that does a share of the expiry, and stamps when it did.
TEST_F(Retention, ASubmissionsDetachedRunExpiresAShare) {
  home.write("shop.grp", "index=none\nform=order\ncatalog=orders order\nlabel=ORD-\ncount=6\n");
  home.write("orders.dat", item("ORD-1", "Ana", "19990101") + item("ORD-4", "Dana", ""));
  home.write("order.msg", "Thanks.\n");
  std::string body = "name=Gal";
  ASSERT_EQ(
      runCgi(programPath("insert"), postEnvironment(home.path(), "insert", "shop", "", body), body)
          .status,
      0);
  // The log's line comes once the catalog is rewritten.
  for (int i = 0; i < 500 && home.read("deletions.log").find("expired") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::string orders = home.read("orders.dat");
  EXPECT_EQ(orders.find("&LABEL==ORD-1\n"), std::string::npos) << orders;
  EXPECT_NE(orders.find("&LABEL==ORD-4\n"), std::string::npos) << orders;
  EXPECT_NE(orders.find("name==Gal\n"), std::string::npos) << orders;
  EXPECT_EQ(home.read("expiry.stamp"), "shop");
  std::string log = home.read("deletions.log");
  EXPECT_NE(log.find("\tshop\torders\texpired 1\t-\n"), std::string::npos) << log;
}

}  // namespace
