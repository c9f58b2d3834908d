// The group description file: every key of the reader, the writer's line
// formats, round trips of files the system writes, the lines that are no
// setting, the counter line, "@" recipient files and malformed input.
#include "common/settings/group_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "support/test_home.h"
#include "support/text_print.h"

namespace {

std::string joined(const List<Text>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + items[i].str();
  return out;
}

std::string omittedLetters(AutomaticFields omitted) {
  std::string out;
  for (AutomaticField field : kAutomaticFields)
    out += omitted.contains(field) ? "LFCDTR"[fieldIndex(field)] : '-';
  return out;
}

// The options of the group model, one line each, for whole comparisons.
std::string describeOptions(const GroupDescription& g) {
  return "description=" + g.description.str() + "\nworkDir=" + g.workDir.str() +
         "\ndefaultForm=" + g.defaultForm.str() + "\ndata=" + g.dataFields.str() +
         "\ninsert=" + std::to_string(static_cast<int>(g.insertMode)) + " " + g.sortField.str() +
         " n" + std::to_string(g.sortNumeric) + " r" + std::to_string(g.sortReverse) +
         "\nomitted=" + omittedLetters(g.omittedFields) + "\nlabel=" + g.labelPrefix.str() +
         "\ncount=" + std::to_string(g.count) +
         "\nindex=" + std::to_string(static_cast<int>(g.indexMode)) +
         "\nchanges=" + std::to_string(static_cast<int>(g.changesMode)) +
         "\nlog=" + std::to_string(g.logChanges) + "\n";
}

// The entries, variables and other lines of the model.
std::string describeEntries(const GroupDescription& g) {
  std::string out;
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
  for (const Param& v : g.variables) {
    out += "var " + v.name.str() + "=" + v.value.str();
    for (const Text& further : v.further) out += "|" + further.str();
    out += "\n";
  }
  for (const Text& line : g.otherLines) out += "other " + line.str() + "\n";
  return out;
}

std::string describe(const GroupDescription& g) { return describeOptions(g) + describeEntries(g); }

class GroupFile : public testing::Test {
 protected:
  // Reads `content` as the file shop.grp in the home directory.
  GroupDescription& read(const std::string& content) {
    group = parseGroupFile(content, path());
    return group;
  }
  // The file as the writer writes the group.
  std::string written() const { return groupFileText(group, path()).str(); }
  std::string rewrittenFrom(const std::string& content) {
    read(content);
    return written();
  }
  Text path() const { return Text(home.file("shop.grp")); }

  TestHome home;
  GroupDescription group;
};

}  // namespace

TEST_F(GroupFile, EmptyFileGivesTheDefaults) {
  EXPECT_EQ(describe(read("")), "description=\nworkDir=" + home.path() +
                                    "\ndefaultForm=\ndata=\ninsert=1  n0 r0\nomitted=------\n"
                                    "label=\ncount=0\nindex=1\nchanges=0\nlog=0\n");
  EXPECT_EQ(written(), "");
}

TEST_F(GroupFile, OnlyLinesThatBeginWithALetterAndHoldEqualsAreSettings) {
  read("#form=x\n form=y\n1form=z\n\nform\nform=a\nFORM=b\nFoRm=c\n");
  EXPECT_EQ(describeEntries(group),
            "form a a.htm a.msg a.tmt\nform b b.htm b.msg b.tmt\nform c c.htm c.msg c.tmt\n"
            "other #form=x\nother  form=y\nother 1form=z\nother form\n");
  // The other lines are kept, ahead of the settings; an empty line is not.
  EXPECT_EQ(written(), "#form=x\n form=y\n1form=z\nform\nform=a\nform=b\nform=c\n");
}

// Forms, catalogs and responses: the model a line gives and the line the
// writer makes of it, "-" standing for a default.
TEST_F(GroupFile, EntryLinesReadAndWrittenBack) {
  struct Row {
    std::string file;
    std::string model;
    std::string written;
  } rows[] = {
      {"form=orders\nform=orders - orders2.msg\nform=orders - - -\nform=x a.htm b.msg c.tmt "
       "extra\n",
       "form orders orders.htm orders.msg orders.tmt\n"
       "form orders orders.htm orders2.msg orders.tmt\n"
       "form orders orders.htm orders.msg orders.tmt\nform x a.htm b.msg c.tmt\n",
       "form=orders\nform=orders - orders2.msg\nform=orders\nform=x a.htm b.msg c.tmt\n"},
      {"form=   orders    -   o.msg   \nform=   \n", "form orders orders.htm o.msg orders.tmt\n",
       "form=orders - o.msg\n"},
      {"catalog=orders\n", "catalog orders series0 [] [orders] orders.dat []\n",
       "catalog=orders\n"},
      {"catalog=orders orders,-,quick - Orders of   the shop\n",
       "catalog orders series0 [] [orders,orders,quick] orders.dat [Orders of the shop]\n",
       "catalog=orders -,-,quick - Orders of the shop\n"},
      {"catalog=c a,,b c/data.txt\n", "catalog c series0 [] [a,,b] c/data.txt []\n",
       "catalog=c a,,b c/data.txt\n"},
      {"catalog=visits*tag visits log[YYYY].dat\ncatalog=days* - - -d.-m.-Y\n",
       "catalog visits series1 [tag] [visits] log[YYYY].dat []\n"
       "catalog days series1 [] [days] days.dat [-d.-m.-Y]\n",
       "catalog=visits*tag - log[YYYY].dat\ncatalog=days* - - -d.-m.-Y\n"},
      {"response=a@x,b@y mail.tmt orders,quick shop\nresponse=c@z - - cat\nresponse=d@w\n"
       "response=,e@v,\n",
       "response [a@x,b@y] [mail.tmt] [orders,quick] [shop]\nresponse [c@z] [] [] [cat]\n"
       "response [d@w] [] [] []\nresponse [,e@v,] [] [] []\n",
       "response=a@x,b@y mail.tmt orders,quick shop\nresponse=c@z - - cat\nresponse=d@w\n"
       "response=,e@v,\n"},
      {"form=\ncatalog=  \nresponse=\n", "", ""},
  };
  for (const Row& row : rows) {
    read(row.file);
    EXPECT_EQ(describeEntries(group), row.model) << row.file;
    EXPECT_EQ(written(), row.written) << row.file;
  }
}

// The storage options: what a file sets and what is written back of it
// (defaults are not written).
TEST_F(GroupFile, OptionsReadAndWrittenBack) {
  struct Row {
    std::string file;
    std::string written;
  } rows[] = {
      {"insert=sort\ninsert=middle\n", ""},
      {"insert=Sort price r\n", "insert=sort price r\n"},
      {"insert=START\n", "insert=start\n"},
      {"insert=start\ninsert=end\n", ""},
      {"insert=sort  price\n", ""},  // two spaces: the field name is empty
      {"insert=sort price nr\ninsert=sort name xyz\n", "insert=sort name nr\n"},
      {"insert=sort price N R\n", "insert=sort price\n"},
      {"vars=LD\n", "vars=LD\n"},
      {"vars=ld\n", ""},
      {"vars=R,T\nvars=DCFL\n", "vars=LFCDTR\n"},
      {"index=private\nchanges=none\nlog=no\n", ""},
      {"index=none\nindex=maybe\nchanges=COMMON\nchanges=sometimes\nlog=YES\nlog=perhaps\n",
       "index=none\nchanges=common\nlog=yes\n"},
      {"index=Common\nchanges=private\n", "index=common\nchanges=private\n"},
      {"count=17abc\n", "count=17\n"},
      {"count=0\n", ""},
      {"count=x\n", ""},
      {"COUNT=123456789012\n", "count=123456789012\n"},
      {"title=My shop\nTITLE=Second\ncolor=\"crna\n", "title=My shop\ncolor=&ccaron;rna\n"},
      {"workdir=c:\\data\n", "workdir=c:/data/\n"},
  };
  for (const Row& row : rows) EXPECT_EQ(rewrittenFrom(row.file), row.written) << row.file;
}

TEST_F(GroupFile, OptionsInTheModel) {
  read("insert=Sort price r\nvars=LD\nindex=none\nchanges=COMMON\nlog=YES\ncount=17abc\n");
  EXPECT_EQ(describeOptions(group), "description=\nworkDir=" + home.path() +
                                        "\ndefaultForm=\ndata=\ninsert=2 price n0 r1\n"
                                        "omitted=L--D--\nlabel=\ncount=17\nindex=0\nchanges=2\n"
                                        "log=1\n");
  read("title=My shop\nTITLE=Second\ncolor=\"crna\n");
  EXPECT_EQ(describeEntries(group), "var title=My shop|Second\nvar color=&ccaron;rna\n");
}

TEST_F(GroupFile, FindCatalogUnderTheNamesOfASeries) {
  read("catalog=visits*tag visits log[YYYY].dat\ncatalog=plain\n");
  for (const char* name : {"visits", "visits*", "VISITS", "Visits*", "visits1999"}) {
    ASSERT_NE(group.findCatalog(name), nullptr) << name;
    EXPECT_EQ(group.findCatalog(name)->name, "visits") << name;
  }
  EXPECT_EQ(group.findCatalog("PLAIN")->name, "plain");
  for (const char* name : {"Visits1999", "visits99x", "plain1999", "plain*", "visit"})
    EXPECT_EQ(group.findCatalog(name), nullptr) << name;
}

TEST_F(GroupFile, FindFormIgnoresCaseAndTakesTheFirst) {
  read("form=Orders a.htm\nform=orders b.htm\n");
  EXPECT_EQ(group.findForm("ORDERS")->formFile, "a.htm");
  EXPECT_EQ(group.findForm("<none>"), nullptr);
}

TEST_F(GroupFile, WorkDirOfTheFilesOwnDirectoryIsNotWritten) {
  EXPECT_EQ(rewrittenFrom("workdir=" + home.path() + "\n"), "");
  EXPECT_EQ(rewrittenFrom("WorkDir=" + home.path().substr(0, home.path().size() - 1) + "\n"), "");
  group = parseGroupFile("", Text(home.file("sub/dir/g.grp")));
  EXPECT_EQ(group.workDir, home.file("sub/dir/"));
}

TEST_F(GroupFile, RecipientsFromAFile) {
  home.write("list.txt", "one@example.org \ntwo@example.org\n");
  read("response=@" + home.file("list.txt") + " t.tmt\n");
  ASSERT_EQ(group.responses.size(), 1u);
  EXPECT_EQ(group.responses[0].recipients, (List<Text>{"one@example.org", "two@example.org"}));
  EXPECT_EQ(written(), "response=one@example.org,two@example.org t.tmt\n");
}

// Only an ordinary file is read: a device that never ends (found while
// fuzzing this reader) would hang every submission to the group.
TEST_F(GroupFile, RecipientsFileOnlyWhenItIsAnOrdinaryFile) {
  home.write("list.txt", "ana@example.org\nbor@example.org \n");
  struct Row {
    std::string file;
    std::string recipients;
  } rows[] = {
      {"/dev/zero", ""},
      {home.path(), ""},
      {home.file("list.txt"), "ana@example.org,bor@example.org"},
  };
  for (const Row& row : rows) {
    read("response=@" + row.file + " order.tmt\n");
    ASSERT_EQ(group.responses.size(), 1u) << row.file;
    EXPECT_EQ(joined(group.responses[0].recipients), row.recipients) << row.file;
    EXPECT_EQ(group.responses[0].templateFile, "order.tmt") << row.file;
  }
}

TEST_F(GroupFile, RecipientsFileRelativeToTheWorkingDirectory) {
  home.write("rel.txt", "\t r@example.org\r\n");
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(home.path().c_str()), 0);
  read("response=@rel.txt\n");
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(group.responses[0].recipients, (List<Text>{"r@example.org"}));
}

TEST_F(GroupFile, LongRecipientLinesAreReadInPieces) {
  std::string address(250, 'a');
  home.write("long.txt", address + "\nb@x");
  read("response=@" + home.file("long.txt") + "\n");
  EXPECT_EQ(group.responses[0].recipients,
            (List<Text>{std::string(199, 'a'), std::string(51, 'a'), "b@x"}));
}

TEST_F(GroupFile, MissingRecipientsFileGivesNoRecipients) {
  read("response=@" + home.file("none.txt") + " t.tmt f\n");
  ASSERT_EQ(group.responses.size(), 1u);
  EXPECT_TRUE(group.responses[0].recipients.empty());
  EXPECT_EQ(group.responses[0].forms, (List<Text>{"f"}));
  // Written as "@", which reads back without recipients (an empty first word
  // would vanish and make the template a recipient).
  EXPECT_EQ(written(), "response=@ t.tmt f\n");
}

TEST_F(GroupFile, WriterOrderWithEveryLine) {
  const std::string file =
      "# the shop\ndescription=The shop\nworkdir=/srv/data/\ndata=;name;price\n"
      "insert=sort price n\nvars=FT\nindex=common\nchanges=private\nlog=yes\ndefaultform=orders\n"
      "form=orders\nform=quick q.htm\ncatalog=orders -,quick\ncatalog=log*day - - -Y\n"
      "response=a@x t.tmt orders\ntitle=My shop\nlabel=SH\ncount=41\n";
  EXPECT_EQ(rewrittenFrom(file), file);
}

TEST_F(GroupFile, FileInAnyOrderIsWrittenInTheWritersOrderWithItsOtherLinesFirst) {
  EXPECT_EQ(rewrittenFrom("# the shop\ncount=5\n\nlabel=S\nform=a\n description=no\n"
                          "title=t\ndescription=Shop\r\nform=b\r\n-- end\n"),
            "# the shop\n description=no\n-- end\ndescription=Shop\nform=a\nform=b\ntitle=t\n"
            "label=S\ncount=5\n");
}

TEST_F(GroupFile, WrittenFileReadsBackToTheSameGroup) {
  home.write("list.txt", "one@x\ntwo@y\n");
  std::string file =
      "; comment\ndescription=D\nworkdir=c:\\work\ndata=|a|b\ninsert=sort f r\nvars=LR\n"
      "index=none\nchanges=common\nlog=yes\ndefaultform=f1\nform=f1 - m.msg\nform=f2 a b c\n"
      "catalog=c1\ncatalog=c2*x,y f1,-,f2 c2.txt Described series\ncatalog=c3 - -\n"
      "response=@" +
      home.file("list.txt") +
      " - f1 c1,c2\nresponse=z@z\n"
      "v1=1\nv2=\"c\nlabel=L\ncount=9\nno setting\n";
  std::string once = rewrittenFrom(file);
  std::string model = describe(group);
  EXPECT_EQ(rewrittenFrom(once), once);
  EXPECT_EQ(describe(group), model);
  EXPECT_EQ(group.responses[0].recipients, (List<Text>{"one@x", "two@y"}));
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
  EXPECT_EQ(group.description.length(), 1 << 20);
  ASSERT_EQ(group.forms.size(), 2u);
  EXPECT_EQ(group.forms[0].name.str(), std::string("a\0b", 3));
  EXPECT_EQ(group.forms[1].name, "last");
  EXPECT_EQ(group.workDir, "/");
  EXPECT_EQ(group.catalogs.size(), 2u);
  EXPECT_EQ(group.otherLines.size(), 5u);
}

TEST_F(GroupFile, LineBreaksInValuesCannotAddLines) {
  read("");
  group.description = "one\ncount=999";
  group.variables.add("note", "a\nlabel=X", AddMode::Append);
  group.otherLines.push_back("# x\rcount=9");
  EXPECT_EQ(written(), "# x count=9\ndescription=one count=999\nnote=a label=X\n");
}

// The counter is the number of the last line whose key is "count" in any
// letter case; setting it rewrites that line and keeps every other byte.
TEST(CounterLine, ReadAndRewrittenByOneRule) {
  struct Row {
    std::string file;
    long count;
    long next;
    std::string rewritten;
  } rows[] = {
      {"a=1\ncount=41\nb=2\n", 41, 42, "a=1\ncount=42\nb=2\n"},
      {"form=x\ncount=5\nCOUNT=17abc\n#count=99\n count=98\ncounter=97\n", 17, 18,
       "form=x\ncount=5\ncount=18\n#count=99\n count=98\ncounter=97\n"},
      {"count=99\nform=x\nlabel=Q-\n", 99, 100, "count=100\nform=x\nlabel=Q-\n"},
      {"a=1\r\ncount=3\r\nb=2\r\n", 3, 4, "a=1\r\ncount=4\nb=2\r\n"},
      {"count= -3\r\n", -3, -2, "count=-2\n"},
      {"count=3", 3, 4, "count=4\n"},
      {"", 0, 1, "count=1\n"},
      {"title=My shop", 0, 1, "title=My shop\ncount=1\n"},
      {" count=7\nxcount=1\n", 0, 1, " count=7\nxcount=1\ncount=1\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(findCounterLine(row.file).count, row.count) << row.file;
    EXPECT_EQ(parseGroupFile(row.file, "/g.grp").count, row.count) << row.file;
    EXPECT_EQ(withCounter(row.file, row.next), row.rewritten) << row.file;
  }
}

TEST(CounterLine, FoundWithItsLineEnd) {
  CounterLine line = findCounterLine("a=1\ncount=41\nb=2\n");
  EXPECT_TRUE(line.found);
  EXPECT_EQ(line.start, 4u);
  EXPECT_EQ(line.length, 9u);
  EXPECT_EQ(findCounterLine("a=1\ncount=7").length, 7u);  // too short for "count=8\n"
  EXPECT_EQ(findCounterLine("a=1\r\nCOUNT=7\r\n").length, 9u);
  EXPECT_FALSE(findCounterLine(" count=7\n").found);
}

TEST(CounterLine, LabelIsPrefixAndNextNumber) {
  GroupDescription group = parseGroupFile("label=Q-\ncount=41\n", "/g.grp");
  EXPECT_EQ(takeNextLabel(group), "Q-42");
  EXPECT_EQ(group.count, 42);
  group.labelPrefix = "";
  EXPECT_EQ(takeNextLabel(group), "43");
}
