// One person's data in show: the search across two catalogs, a series
// period and the quarantine (a field named or any field, letter case
// ignored), the text taken from the body only and escaped on the page, the
// ZIP of everything found, and the erasure of exactly the records that the
// confirmation listed.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/browser_form.h"
#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

// Ana's records: ORD-1 (two files, listed in the order photo, then cv),
// ORD-3 (her address in another field), ORD-4 in a second catalog, V-1 in a
// series period and Q-1 in the quarantine. Bor's ORD-2 and V-2 are not hers.
const std::string kOrd1 =
    "&LABEL==ORD-1\n&FORMID==order\n&DATE==20240201\n&TIME==1505\nemail==ana@example.org\n"
    "photo==me.jpg (f2.bin, 3 bytes)\ncv==report.pdf (f1.bin, 7 bytes)\n\n";
const std::string kOrd2 =
    "&LABEL==ORD-2\n&FORMID==order\nemail==bor@example.org\ncity==Ko&ccaron;evje\n\n";
const std::string kOrd3 = "&LABEL==ORD-3\n&FORMID==order\ncontact==ANA@Example.ORG\n\n";
const std::string kOrd5 = "&LABEL==ORD-5\n&FORMID==order\nemail==ana@example.org\n\n";
const std::string kOrd4 = "&LABEL==ORD-4\n&FORMID==order\nemail==Ana@Example.org\n\n";
const std::string kV1 = "&LABEL==V-1\n&FORMID==visit\nemail==ana@example.org\n\n";
const std::string kV2 = "&LABEL==V-2\n&FORMID==visit\nemail==bor@example.org\n\n";
const std::string kQ1 =
    "&LABEL==Q-1\n&FORMID==order\n&COMPUTER==192.0.2.9\n&DATE==20240301\n&TIME==1000\n"
    "&REFLABEL==\n&CATALOG==orders\n&QUARANTINE==honeypot\nemail==ana@example.org\n"
    "doc==held.txt (f1.bin, 4 bytes)\n\n";
const std::string kQ2 =
    "&LABEL==Q-2\n&FORMID==order\n&COMPUTER==192.0.2.9\n&DATE==20240301\n&TIME==1000\n"
    "&REFLABEL==\n&CATALOG==orders\n&QUARANTINE==honeypot\nemail==cene@example.org\n\n";

std::string offset(size_t bytes) { return std::to_string(bytes); }

class PersonData : public ::testing::Test {
 protected:
  void SetUp() override {
    home.write("kalder.ini",
               "[GENERAL]\npassword=Secret\n[GROUPS]\nshop=" + home.path() + "shop.grp\n");
    home.write("shop.grp",
               "catalog=orders order\ncatalog=archive order\n"
               "catalog=visits* visit log[YYYY][MM].dat Visits\nlabel=ORD-\n");
    home.write("orders.dat", kOrd1 + kOrd2 + kOrd3);
    home.write("orders.idx", "ORD-1 order 0\nORD-2 order " + offset(kOrd1.size()) +
                                 "\nORD-3 order " + offset(kOrd1.size() + kOrd2.size()) + "\n");
    home.write("archive.dat", kOrd4);
    home.write("log202401.dat", kV1 + kV2);
    home.write("shop.grp.quarantine", kQ1 + kQ2);
    std::filesystem::create_directories(home.file("orders.files/ord-1"));
    home.write("orders.files/ord-1/f1.bin", "PDFDATA");
    home.write("orders.files/ord-1/f2.bin", "IMG");
    std::filesystem::create_directories(home.file("shop.grp.files/q-1"));
    home.write("shop.grp.files/q-1/f1.bin", "HELD");
    std::filesystem::create_directories(home.file("outbox"));
    writeMail("20240201000001.aaaaaaaaaaaa.mail", "ORD-1", "shop@example.org");
    writeMail("20240201000002.bbbbbbbbbbbb.failed", "ORD-77", "ANA@example.org");
    writeMail("20240201000003.cccccccccccc.mail", "ORD-2", "bor@example.org");
  }

  void writeMail(const std::string& name, const std::string& label, const std::string& to) {
    home.write("outbox/" + name, "message-id=<m@x>\ngroup=shop\ncatalog=orders\nlabel=" + label +
                                     "\ncreated=1796770000\nnext=1796770060\nattempts=1\n"
                                     "sender=s@x\nrecipient=" +
                                     to + "\nsubject=s\n\nb\n");
  }

  CgiResult show(const std::string& body, const std::string& query = "") {
    return runCgi(programPath("show"), postEnvironment(home.path(), "show", "shop", query, body),
                  body);
  }

  // The body a browser posts when the button `caption` of `page` is pressed.
  static BrowserForm formWith(const std::string& page, const std::string& caption) {
    for (int i = 0;; ++i) {
      BrowserForm form(page, i);
      for (const BrowserForm::Control& control : form.controls())
        if (control.kind == "submit" && control.value == caption) return form;
    }
  }

  TestHome home;
};

TEST_F(PersonData, SearchFindsEveryCatalogSeriesAndQuarantineLetterCaseIgnored) {
  struct Case {
    const char* body;
    const char* count;
    std::vector<const char*> found, notFound;
  } cases[] = {
      {"person=+ANA%40example.ORG+",
       "ignored: 5",
       {"ORD-1", "ORD-3", "ORD-4", "visits202401", "V-1", "<td>orders (quarantine)</td><td>Q-1",
        "ANA@example.org", "of no record found", "Download all", "Erase all"},
       {"ORD-2", "V-2", "Q-2", "bor@example.org"}},
      {"person=ana%40example.org&field=EMAIL",
       "ignored: 4",
       {"ORD-1", "ORD-4", "V-1", "Q-1", "shop@example.org"},
       {"ORD-3", "ANA@example.org", "ORD-2"}},
      {"person=KO%C4%8CEVJE", "ignored: 1", {"ORD-2", "bor@example.org"}, {"ORD-1", "Q-1"}},
      {"person=nobody%40example.org", "ignored: 0", {}, {"ORD-", "Download all", "Erase all"}},
  };
  for (const Case& c : cases) {
    std::string page = show(std::string("password=Secret&") + c.body).output;
    EXPECT_NE(page.find(c.count), std::string::npos) << c.body << page;
    for (const char* shown : c.found) EXPECT_NE(page.find(shown), std::string::npos) << shown;
    for (const char* hidden : c.notFound) EXPECT_EQ(page.find(hidden), std::string::npos) << hidden;
  }
}

TEST_F(PersonData, PersonOnlyFromTheBodyAndEscapedOnThePage) {
  for (const char* query : {"person=ana%40example.org", "field=email&find=person"}) {
    CgiResult refused = show("password=Secret&person=ana%40example.org", query);
    EXPECT_EQ(refused.output.rfind("Status: 400 Bad Request\n", 0), 0u) << refused.output;
    EXPECT_EQ(refused.output.find("ORD-1"), std::string::npos);
  }
  std::string page = show("password=Secret&person=%3Cscript%3Ealert(1)%3C%2Fscript%3E%22").output;
  EXPECT_EQ(page.find("<script>"), std::string::npos) << page;
  EXPECT_NE(page.find("<tt>&lt;script&gt;alert(1)&lt;/script&gt;&quot;</tt>"), std::string::npos);
  EXPECT_NE(page.find("value=\"&lt;script&gt;alert(1)&lt;/script&gt;&quot;\""), std::string::npos);
  // Without the password nothing is searched.
  EXPECT_EQ(show("person=ana%40example.org").output.find("ORD-1"), std::string::npos);
}

// The entries of a ZIP archive by name.
std::map<std::string, std::string> unzip(const std::string& bytes) {
  std::map<std::string, std::string> entries;
  archive* reader = archive_read_new();
  archive_read_support_format_zip_seekable(reader);
  EXPECT_EQ(archive_read_open_memory(reader, bytes.data(), bytes.size()), ARCHIVE_OK);
  archive_entry* entry = nullptr;
  while (archive_read_next_header(reader, &entry) == ARCHIVE_OK) {
    std::string content;
    char buffer[4096];
    for (la_ssize_t got; (got = archive_read_data(reader, buffer, sizeof buffer)) > 0;)
      content.append(buffer, static_cast<size_t>(got));
    entries[archive_entry_pathname(entry)] = content;
  }
  archive_read_free(reader);
  return entries;
}

TEST_F(PersonData, ZipHoldsRecordsJsonAndEachRecordsFilesByNumber) {
  CgiResult result = show("password=Secret&person=ana%40example.org&format=zip");
  size_t end = result.output.find("\n\n");
  ASSERT_NE(end, std::string::npos);
  std::string header = result.output.substr(0, end + 1);
  EXPECT_NE(header.find("Content-type: application/zip\n"), std::string::npos) << header;
  EXPECT_NE(header.find("Content-Disposition: attachment; filename=\"personal-data.zip\"\n"),
            std::string::npos);
  std::map<std::string, std::string> entries = unzip(result.output.substr(end + 2));
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries["orders/ORD-1/f1.bin"], "IMG");
  EXPECT_EQ(entries["orders/ORD-1/f2.bin"], "PDFDATA");
  EXPECT_EQ(entries["quarantine/Q-1/f1.bin"], "HELD");
  const std::string& json = entries["records.json"];
  for (const char* part :
       {"{\"catalog\":\"orders\",\"label\":\"ORD-1\",\"date\":\"2024-02-01\",\"time\":\"15:05\","
        "\"quarantined\":false,\"fields\":[{\"name\":\"&LABEL\",\"value\":\"ORD-1\"},",
        "{\"name\":\"photo\",\"value\":\"me.jpg (f2.bin, 3 bytes)\",\"file\":\"orders/ORD-1/"
        "f1.bin\"},{\"name\":\"cv\",\"value\":\"report.pdf (f1.bin, 7 bytes)\",\"file\":\"orders/"
        "ORD-1/f2.bin\"}]}",
        "\"label\":\"ORD-3\"", "{\"catalog\":\"archive\",\"label\":\"ORD-4\"",
        "{\"catalog\":\"visits202401\",\"label\":\"V-1\"",
        "{\"catalog\":\"orders\",\"label\":\"Q-1\",\"date\":\"2024-03-01\",\"time\":\"10:00\","
        "\"quarantined\":true"})
    EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
  EXPECT_EQ(json.find("ORD-2"), std::string::npos);
  EXPECT_EQ(json.rfind("[\n{", 0), 0u);
  EXPECT_EQ(json.substr(json.size() - 4), "}\n]\n");
}

TEST_F(PersonData, ErasureTakesExactlyTheConfirmedRecords) {
  std::string confirmation = show("password=Secret&person=ana%40example.org&eraseperson=1").output;
  BrowserForm form = formWith(confirmation, "Erase for good");
  EXPECT_EQ(form.value("labels"), "ORD-1 ORD-3 ORD-4 V-1");
  EXPECT_EQ(form.value("held"), "Q-1");
  EXPECT_EQ(form.value("mails"), "20240201000002.bbbbbbbbbbbb");
  EXPECT_EQ(home.read("orders.dat"), kOrd1 + kOrd2 + kOrd3);  // nothing erased yet

  // Between the two pages Ana sends another order, and the posted labels
  // gain one that is not hers.
  home.write("orders.dat", kOrd1 + kOrd2 + kOrd3 + kOrd5);
  form.set("labels", form.value("labels") + " ORD-2");
  std::string done = show(form.submit("Erase for good")).output;
  EXPECT_NE(done.find("Records erased: 5; mails removed: 2."), std::string::npos) << done;
  EXPECT_NE(done.find("no longer hold the text: ORD-2"), std::string::npos) << done;

  EXPECT_EQ(home.read("orders.dat"), kOrd2 + kOrd5);
  EXPECT_EQ(home.read("orders.idx"), "ORD-2 order 0\n");
  EXPECT_EQ(home.read("archive.dat"), "");
  EXPECT_EQ(home.read("log202401.dat"), kV2);
  EXPECT_EQ(home.read("shop.grp.quarantine"), kQ2);
  EXPECT_FALSE(home.exists("orders.files/ord-1"));
  EXPECT_FALSE(home.exists("shop.grp.files/q-1"));
  EXPECT_FALSE(home.exists("outbox/20240201000001.aaaaaaaaaaaa.mail"));
  EXPECT_FALSE(home.exists("outbox/20240201000002.bbbbbbbbbbbb.failed"));
  EXPECT_TRUE(home.exists("outbox/20240201000003.cccccccccccc.mail"));
  std::string log = home.read("deletions.log");
  for (const char* line :
       {"\tshop\torders\tORD-1\t", "\tshop\torders\tORD-3\t", "\tshop\tarchive\tORD-4\t",
        "\tshop\tvisits202401\tV-1\t", "\tshop\t(quarantine)\tQ-1\t"})
    EXPECT_NE(log.find(line), std::string::npos) << line << log;
  EXPECT_EQ(log.find("ORD-2"), std::string::npos);
  EXPECT_EQ(log.find("ORD-5"), std::string::npos);
  EXPECT_EQ(log.find("ana@"), std::string::npos);
}

}  // namespace
