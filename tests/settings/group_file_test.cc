// The group description file: every key of the reader, the writer's line
// formats, round trips of files the system writes, "@" recipient files and
// malformed input.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "common/cgi/request_ended.h"
#include "common/settings/catalog_group.h"
#include "support/cgi_environment.h"
#include "support/text_print.h"

namespace {

std::string joined(const List<Text>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + items[i].str();
  return out;
}

// Every member of the group model, one line each, for whole comparisons.
std::string describe(const CatalogGroup& g) {
  std::string out = "description=" + g.description.str() + "\nworkDir=" + g.workDir.str() +
                    "\ndefaultForm=" + g.defaultForm.str() + "\ndata=" + g.dataFields.str() +
                    "\ninsert=" + std::to_string(static_cast<int>(g.insertMode)) + " " +
                    g.sortField.str() + " n" + std::to_string(g.sortNumeric) + " r" +
                    std::to_string(g.sortReverse) + "\nomitted=" + std::to_string(g.omittedFields) +
                    "\nlabel=" + g.labelPrefix.str() + "\ncount=" + std::to_string(g.count) +
                    "\nindex=" + std::to_string(static_cast<int>(g.indexMode)) +
                    "\nchanges=" + std::to_string(static_cast<int>(g.changesMode)) +
                    "\nlog=" + std::to_string(g.logChanges) + "\n";
  for (const FormEntry& f : g.forms)
    out += "form " + f.name.str() + " " + f.formFile.str() + " " + f.messageFile.str() + " " +
           f.templateFile.str() + "\n";
  for (const CatalogEntry& c : g.catalogs)
    out += "catalog " + c.name.str() + " series" + std::to_string(c.isSeries) + " [" +
           c.seriesTag.str() + "] [" + joined(c.forms) + "] " + c.dataFile.str() + " [" +
           c.description.str() + "]\n";
  for (const ResponseEntry& r : g.responses)
    out += "response [" + joined(r.recipients) + "] [" + r.templateFile.str() + "] [" +
           joined(r.forms) + "] [" + joined(r.catalogs) + "]\n";
  for (const Param& v : g.groupVariables) {
    out += "var " + v.name.str() + "=" + v.value.str();
    for (const Text& further : v.further) out += "|" + further.str();
    out += "\n";
  }
  return out;
}

class GroupFile : public testing::Test {
 protected:
  GroupFile() {
    cgi.get("");
    group = std::make_unique<CatalogGroup>();
    cgi.clearOutput();
  }
  // Reads `content` as the group "shop" from shop.grp in the home directory.
  CatalogGroup& read(const std::string& content) {
    cgi.home().write("shop.grp", content);
    group->readGroup("shop", Text(cgi.home().file("shop.grp")));
    return *group;
  }
  // The file as writeGroupTo writes it.
  std::string written() {
    std::FILE* file = std::tmpfile();
    group->writeGroupTo(file);
    std::string out(static_cast<size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    size_t got = std::fread(out.data(), 1, out.size(), file);
    out.resize(got);
    std::fclose(file);
    return out;
  }
  // Reads `content` into a fresh group and returns what that group writes.
  std::string rewrittenFrom(const std::string& content) {
    cgi.get("");
    group = std::make_unique<CatalogGroup>();
    read(content);
    return written();
  }

  CgiEnvironment cgi;
  std::unique_ptr<CatalogGroup> group;
};

template <typename F>
int endedStatus(F body) {
  try {
    body();
  } catch (const RequestEnded& ended) {
    return ended.status;
  }
  return -1;
}

}  // namespace

TEST_F(GroupFile, MissingFileGivesTheDefaults) {
  group->readGroup("shop", Text(cgi.home().file("absent.grp")));
  EXPECT_EQ(describe(*group), "description=\nworkDir=" + cgi.home().path() +
                                  "\ndefaultForm=\ndata=\ninsert=1  n0 r0\nomitted=0\nlabel=\n"
                                  "count=0\nindex=1\nchanges=0\nlog=0\n");
  EXPECT_EQ(group->groupName, "shop");
  EXPECT_EQ(group->variables().find("&group"), nullptr);
  EXPECT_EQ(group->variables().find("&groupdesc"), nullptr);
  EXPECT_EQ(written(), "");
}

TEST_F(GroupFile, ReadingSetsTheGroupVariables) {
  read("description=Na\"sa trgovina\n");
  EXPECT_EQ(group->variables().value("&group"), "shop");
  EXPECT_EQ(group->variables().value("&groupdesc"), "Na&scaron;a trgovina");
  EXPECT_EQ(group->description, "Na\"sa trgovina");
}

TEST_F(GroupFile, OnlyLinesThatBeginWithALetterAndHoldEqualsCount) {
  read("#form=x\n form=y\n1form=z\n\nform\nform=a\nFORM=b\nFoRm=c\n");
  ASSERT_EQ(group->forms.size(), 3u);
  EXPECT_EQ(group->forms[0].name, "a");
  EXPECT_EQ(group->forms[1].name, "b");
  EXPECT_EQ(group->forms[2].name, "c");
  EXPECT_TRUE(group->groupVariables.empty());
}

TEST_F(GroupFile, FormDefaultsAndPlaceholders) {
  read(
      "form=orders\nform=orders - orders2.msg\nform=orders - - -\nform=x a.htm b.msg c.tmt "
      "extra\n");
  EXPECT_EQ(describe(*group).substr(describe(*group).find("form ")),
            "form orders orders.htm orders.msg orders.tmt\n"
            "form orders orders.htm orders2.msg orders.tmt\n"
            "form orders orders.htm orders.msg orders.tmt\n"
            "form x a.htm b.msg c.tmt\n");
  EXPECT_EQ(written(),
            "form=orders\nform=orders - orders2.msg\nform=orders\nform=x a.htm b.msg c.tmt\n");
}

TEST_F(GroupFile, FormValueIsSqueezed) {
  read("form=   orders    -   o.msg   \nform=   \n");
  ASSERT_EQ(group->forms.size(), 1u);
  EXPECT_EQ(group->forms[0].messageFile, "o.msg");
  EXPECT_EQ(written(), "form=orders - o.msg\n");
}

TEST_F(GroupFile, CatalogDefaults) {
  read("catalog=orders\n");
  EXPECT_EQ(describe(*group).substr(describe(*group).find("catalog ")),
            "catalog orders series0 [] [orders] orders.dat []\n");
  EXPECT_EQ(written(), "catalog=orders\n");
}

TEST_F(GroupFile, CatalogWithFormsAndDescription) {
  read("catalog=orders orders,-,quick - Orders of   the shop\n");
  EXPECT_EQ(describe(*group).substr(describe(*group).find("catalog ")),
            "catalog orders series0 [] [orders,orders,quick] orders.dat [Orders of the shop]\n");
  EXPECT_EQ(written(), "catalog=orders -,-,quick - Orders of the shop\n");
}

TEST_F(GroupFile, CatalogWithEmptyFormItemsAndOwnFile) {
  read("catalog=c a,,b c/data.txt\n");
  EXPECT_EQ(group->catalogs[0].forms, (List<Text>{"a", "", "b"}));
  EXPECT_EQ(group->catalogs[0].dataFile, "c/data.txt");
  EXPECT_EQ(written(), "catalog=c a,,b c/data.txt\n");
}

TEST_F(GroupFile, SeriesCatalog) {
  read("catalog=visits*tag visits log[YYYY].dat\ncatalog=days* - - -d.-m.-Y\n");
  EXPECT_EQ(describe(*group).substr(describe(*group).find("catalog ")),
            "catalog visits series1 [tag] [visits] log[YYYY].dat []\n"
            "catalog days series1 [] [days] days.dat [-d.-m.-Y]\n");
  EXPECT_EQ(written(), "catalog=visits*tag - log[YYYY].dat\ncatalog=days* - - -d.-m.-Y\n");
}

TEST_F(GroupFile, FindCatalogUnderTheNamesOfASeries) {
  read("catalog=visits*tag visits log[YYYY].dat\ncatalog=plain\n");
  for (const char* name : {"visits", "visits*", "VISITS", "Visits*", "visits1999"})
    EXPECT_EQ(group->findCatalog(name).name, "visits") << name;
  EXPECT_EQ(group->findCatalog("PLAIN").name, "plain");
  for (const char* name : {"Visits1999", "visits99x", "plain1999", "plain*", "visit"}) {
    cgi.clearOutput();
    EXPECT_EQ(endedStatus([&] { group->findCatalog(name); }), 1) << name;
    EXPECT_NE(cgi.output().find(std::string("<b>Cannot find catalog <tt>") + name + "</tt></b>"),
              std::string::npos);
  }
}

TEST_F(GroupFile, FindFormIgnoresCaseAndTakesTheFirst) {
  read("form=Orders a.htm\nform=orders b.htm\n");
  EXPECT_EQ(group->findForm("ORDERS").formFile, "a.htm");
  EXPECT_EQ(endedStatus([&] { group->findForm("<none>"); }), 1);
  EXPECT_NE(cgi.output().find("<b>Cannot find form <tt>&lt;none&gt;</tt></b>"), std::string::npos);
}

TEST_F(GroupFile, InsertModes) {
  read("insert=sort\n");
  EXPECT_EQ(group->insertMode, InsertMode::End);
  read("insert=middle\n");
  EXPECT_EQ(group->insertMode, InsertMode::End);
  read("insert=Sort price r\n");
  EXPECT_EQ(group->insertMode, InsertMode::Sorted);
  EXPECT_EQ(group->sortField, "price");
  EXPECT_EQ(group->sortReverse, 1);
  EXPECT_EQ(group->sortNumeric, 0);
  EXPECT_EQ(written(), "insert=sort price r\n");
  read("insert=START\n");
  EXPECT_EQ(group->insertMode, InsertMode::Start);
  EXPECT_EQ(written(), "insert=start\n");
  read("insert=start\ninsert=end\n");
  EXPECT_EQ(written(), "");
  read("insert=sort  price\n");  // two spaces: the field name is empty
  EXPECT_EQ(group->insertMode, InsertMode::End);
}

TEST_F(GroupFile, SortOptionsOnlyEverSetTheirFlags) {
  read("insert=sort price nr\ninsert=sort name xyz\n");
  EXPECT_EQ(group->sortField, "name");
  EXPECT_EQ(group->sortNumeric, 1);
  EXPECT_EQ(group->sortReverse, 1);
  EXPECT_EQ(written(), "insert=sort name nr\n");
  read("insert=sort price N R\n");
  EXPECT_EQ(written(), "insert=sort price\n");
}

TEST_F(GroupFile, OmittedFieldLetters) {
  read("vars=LD\n");
  EXPECT_EQ(group->omittedFields, 1 | 8);
  EXPECT_EQ(written(), "vars=LD\n");
  read("vars=ld\n");
  EXPECT_EQ(group->omittedFields, 0);
  read("vars=R,T\nvars=DCFL\n");
  EXPECT_EQ(group->omittedFields, 63);
  EXPECT_EQ(written(), "vars=LFCDTR\n");
}

TEST_F(GroupFile, ShareModesAndLog) {
  read("index=private\nchanges=none\nlog=no\n");
  EXPECT_EQ(written(), "");
  read("index=none\nindex=maybe\nchanges=COMMON\nchanges=sometimes\nlog=YES\nlog=perhaps\n");
  EXPECT_EQ(group->indexMode, ShareMode::None);
  EXPECT_EQ(group->changesMode, ShareMode::Common);
  EXPECT_EQ(group->logChanges, 1);
  EXPECT_EQ(written(), "index=none\nchanges=common\nlog=yes\n");
  read("index=Common\nchanges=private\n");
  EXPECT_EQ(written(), "index=common\nchanges=private\n");
}

TEST_F(GroupFile, CounterLine) {
  read("count=17abc\n");
  EXPECT_EQ(group->count, 17);
  EXPECT_EQ(written(), "count=17\n");
  read("count=0\n");
  EXPECT_EQ(written(), "");
  read("count=x\n");
  EXPECT_EQ(group->count, 0);
  read("COUNT=123456789012\n");
  EXPECT_EQ(written(), "count=123456789012\n");
}

TEST_F(GroupFile, UnknownKeysBecomeVariables) {
  read("title=My shop\nTITLE=Second\ncolor=\"crna\n");
  EXPECT_EQ(describe(*group).substr(describe(*group).find("var ")),
            "var title=My shop|Second\nvar color=&ccaron;rna\n");
  EXPECT_EQ(written(), "title=My shop\ncolor=&ccaron;rna\n");
}

TEST_F(GroupFile, WorkDirWithBackslashes) {
  read("workdir=c:\\data\n");
  EXPECT_EQ(group->workDir, "c:/data/");
  EXPECT_EQ(written(), "workdir=c:/data/\n");
  read("workdir=" + cgi.home().path() + "\n");
  EXPECT_EQ(written(), "");
  read("WorkDir=" + cgi.home().path().substr(0, cgi.home().path().size() - 1) + "\n");
  EXPECT_EQ(written(), "");
}

TEST_F(GroupFile, WorkDirDefaultsToTheFilesDirectory) {
  cgi.home().write("sub/dir/g.grp", "");
  group->readGroup("g", Text(cgi.home().file("sub/dir/g.grp")));
  EXPECT_EQ(group->workDir, cgi.home().file("sub/dir/"));
}

TEST_F(GroupFile, ResponsesWithListsAndPlaceholders) {
  read(
      "response=a@x,b@y mail.tmt orders,quick shop\nresponse=c@z - - cat\nresponse=d@w\n"
      "response=,e@v,\n");
  EXPECT_EQ(describe(*group).substr(describe(*group).find("response ")),
            "response [a@x,b@y] [mail.tmt] [orders,quick] [shop]\n"
            "response [c@z] [] [] [cat]\n"
            "response [d@w] [] [] []\n"
            "response [,e@v,] [] [] []\n");
  EXPECT_EQ(written(),
            "response=a@x,b@y mail.tmt orders,quick shop\nresponse=c@z - - cat\nresponse=d@w\n"
            "response=,e@v,\n");
}

TEST_F(GroupFile, RecipientsFromAFile) {
  cgi.home().write("list.txt", "one@example.org \ntwo@example.org\n");
  read("response=@" + cgi.home().file("list.txt") + " t.tmt\n");
  ASSERT_EQ(group->responses.size(), 1u);
  EXPECT_EQ(group->responses[0].recipients, (List<Text>{"one@example.org", "two@example.org"}));
  EXPECT_EQ(written(), "response=one@example.org,two@example.org t.tmt\n");
}

TEST_F(GroupFile, RecipientsFileRelativeToTheWorkingDirectory) {
  cgi.home().write("rel.txt", "\t r@example.org\r\n");
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(cgi.home().path().c_str()), 0);
  read("response=@rel.txt\n");
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(group->responses[0].recipients, (List<Text>{"r@example.org"}));
}

TEST_F(GroupFile, LongRecipientLinesAreReadInPieces) {
  std::string address(250, 'a');
  cgi.home().write("long.txt", address + "\nb@x");
  read("response=@" + cgi.home().file("long.txt") + "\n");
  EXPECT_EQ(group->responses[0].recipients,
            (List<Text>{std::string(199, 'a'), std::string(51, 'a'), "b@x"}));
}

TEST_F(GroupFile, MissingRecipientsFileGivesNoRecipients) {
  read("response=@" + cgi.home().file("none.txt") + " t.tmt f\n");
  ASSERT_EQ(group->responses.size(), 1u);
  EXPECT_TRUE(group->responses[0].recipients.empty());
  EXPECT_EQ(group->responses[0].forms, (List<Text>{"f"}));
  // Written as "@", which reads back without recipients (an empty first word
  // would vanish and make the template a recipient).
  EXPECT_EQ(written(), "response=@ t.tmt f\n");
}

TEST_F(GroupFile, EmptyEntryValuesAddNothing) {
  read("form=\ncatalog=  \nresponse=\n");
  EXPECT_TRUE(group->forms.empty());
  EXPECT_TRUE(group->catalogs.empty());
  EXPECT_TRUE(group->responses.empty());
}

TEST_F(GroupFile, WriterOrderWithEveryLine) {
  const std::string file =
      "description=The shop\nworkdir=/srv/data/\ndata=;name;price\ninsert=sort price n\n"
      "vars=FT\nindex=common\nchanges=private\nlog=yes\ndefaultform=orders\nform=orders\n"
      "form=quick q.htm\ncatalog=orders -,quick\ncatalog=log*day - - -Y\n"
      "response=a@x t.tmt orders\ntitle=My shop\nlabel=SH\ncount=41\n";
  EXPECT_EQ(rewrittenFrom(file), file);
}

TEST_F(GroupFile, FileInAnyOrderWithCommentsIsWrittenInTheWritersOrder) {
  EXPECT_EQ(rewrittenFrom("# the shop\ncount=5\n\nlabel=S\nform=a\n description=no\n"
                          "title=t\ndescription=Shop\r\nform=b\r\n"),
            "description=Shop\nform=a\nform=b\ntitle=t\nlabel=S\ncount=5\n");
}

TEST_F(GroupFile, WrittenFileReadsBackToTheSameGroup) {
  cgi.home().write("list.txt", "one@x\ntwo@y\n");
  std::string file =
      "description=D\nworkdir=c:\\work\ndata=|a|b\ninsert=sort f r\nvars=LR\nindex=none\n"
      "changes=common\nlog=yes\ndefaultform=f1\nform=f1 - m.msg\nform=f2 a b c\n"
      "catalog=c1\ncatalog=c2*x,y f1,-,f2 c2.txt Described series\ncatalog=c3 - -\n"
      "response=@" +
      cgi.home().file("list.txt") +
      " - f1 c1,c2\nresponse=z@z\n"
      "v1=1\nv2=\"c\nlabel=L\ncount=9\n";
  std::string once = rewrittenFrom(file);
  std::string model = describe(*group);
  EXPECT_EQ(rewrittenFrom(once), once);
  EXPECT_EQ(describe(*group), model);
  EXPECT_EQ(group->responses[0].recipients, (List<Text>{"one@x", "two@y"}));
}

TEST_F(GroupFile, RepeatedVariableKeepsOnlyItsFirstValueWhenWritten) {
  EXPECT_EQ(rewrittenFrom("v=1\nv=2\nV=3\n"), "v=1\n");
}

TEST_F(GroupFile, MalformedLinesNeverBreakTheReader) {
  std::string junk = "=\n==\n===\n=form=x\n";
  junk += std::string("form=a\0b\n", 9);
  junk += std::string("\xFF\xFE\x00=\x80\n", 6);
  junk += "description=" + std::string(1 << 20, 'd') + "\n";
  junk += "catalog=*\ncatalog=**\nresponse=@\nresponse=- - - - - -\ninsert=sort \nvars=\ncount=-\n";
  junk += "workdir=\nform=last";
  read(junk);
  EXPECT_EQ(group->description.length(), 1 << 20);
  ASSERT_EQ(group->forms.size(), 2u);
  EXPECT_EQ(group->forms[0].name.str(), std::string("a\0b", 3));
  EXPECT_EQ(group->forms[1].name, "last");
  EXPECT_EQ(group->workDir, "/");
  EXPECT_EQ(group->catalogs.size(), 2u);
}

TEST_F(GroupFile, LineBreaksInValuesCannotAddLines) {
  read("");
  group->description = "one\ncount=999";
  group->groupVariables.add("note", "a\nlabel=X", AddMode::Append);
  EXPECT_EQ(written(), "description=one count=999\nnote=a label=X\n");
}

TEST_F(GroupFile, WriteGroupOnlyWhenNamedAndChanged) {
  read("form=a\n");
  group->forms.push_back(FormEntry{"b", "b.htm", "b.msg", "b.tmt"});
  group->writeGroup();
  EXPECT_EQ(cgi.home().read("shop.grp"), "form=a\n");
  group->groupChanged = 1;
  group->finish();
  EXPECT_EQ(cgi.home().read("shop.grp"), "form=a\nform=b\n");
  EXPECT_EQ(group->groupChanged, 0);
  group->groupName = Text();
  group->groupChanged = 1;
  group->forms.clear();
  group->writeGroup();
  EXPECT_EQ(cgi.home().read("shop.grp"), "form=a\nform=b\n");
}

TEST_F(GroupFile, RewriteKeepsPermissions) {
  read("form=a\n");
  chmod(cgi.home().file("shop.grp").c_str(), 0640);
  group->groupChanged = 1;
  group->writeGroup();
  struct stat info;
  ASSERT_EQ(stat(cgi.home().file("shop.grp").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(GroupFile, FileThatCannotBeCreatedIsAFatalError) {
  read("form=a\n");
  group->groupPath = cgi.home().file("missing-dir/shop.grp");
  group->groupChanged = 1;
  EXPECT_EQ(endedStatus([&] { group->writeGroup(); }), 1);
  EXPECT_EQ(group->groupChanged, 0);
  EXPECT_NE(cgi.output().find("<b>Cannot create file <tt>" + group->groupPath.str() + "</tt></b>"),
            std::string::npos);
}
