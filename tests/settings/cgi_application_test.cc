// CgiApplication: reading and writing "kalder.ini" (sections, keys, the
// language defaults, the free header), the application's page frames and the
// file operations with their fatal errors.
#include "common/settings/cgi_application.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "common/cgi/request_ended.h"
#include "common/text/file_lines.h"
#include "support/cgi_environment.h"
#include "support/text_print.h"

namespace {

constexpr char kHeader[] = "Content-type: text/html\n\n";

// The variables the settings add, as "name=value;" in list order.
std::string settingVariables(const CgiApplication& app) {
  std::string out;
  for (const Param& p : app.variables())
    for (const char* name : {"&kalderhome", "&version", "&administrator", "&servername", "&header"})
      if (p.name == name) out += p.name.str() + "=" + p.value.str() + ";";
  return out;
}

// The bytes of a literal that may hold zero bytes.
template <size_t N>
std::string bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

template <typename F>
int endedStatus(F body) {
  try {
    body();
  } catch (const RequestEnded& ended) {
    return ended.status;
  }
  return -1;
}

// Files in `directory` whose names end in ".tmp".
int temporaryFiles(const std::string& directory) {
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    if (entry.path().extension() == ".tmp") ++n;
  return n;
}

class Settings : public testing::Test {
 protected:
  // Writes kalder.ini (unless null), starts a GET request and builds the application.
  CgiApplication& load(const char* ini, const std::string& query = "") {
    if (ini) cgi.home().write("kalder.ini", ini);
    cgi.get(query);
    app = std::make_unique<CgiApplication>();
    cgi.clearOutput();
    return *app;
  }
  // Marks the settings changed, writes them and returns the file.
  std::string rewritten() {
    app->settingsChanged = true;
    app->writeSettings();
    return cgi.home().read("kalder.ini");
  }

  CgiEnvironment cgi;
  std::unique_ptr<CgiApplication> app;
};

}  // namespace

TEST_F(Settings, MissingFileGivesTheDefaults) {
  CgiApplication& s = load(nullptr);
  EXPECT_EQ(s.settingsPath.str(), cgi.home().file("kalder.ini"));
  EXPECT_EQ(s.settings.version, "1.2");
  EXPECT_EQ(s.settings.administrator, "");
  EXPECT_TRUE(s.settings.groups.empty());
  EXPECT_EQ(s.settings.defaultLanguage, 0);
  EXPECT_EQ(s.settings.languageCodings[1], 0);
  EXPECT_EQ(s.settings.languageCharsets[0], -1);
  EXPECT_EQ(s.settings.languageCharsets[1], -1);
  EXPECT_FALSE(s.settingsChanged);
  EXPECT_EQ(settingVariables(s), "");
  EXPECT_FALSE(cgi.home().exists("kalder.ini"));
}

TEST_F(Settings, GeneralKeysIgnoreCaseAndAreNotTrimmed) {
  CgiApplication& s = load(
      "[general]\nADMINISTRATOR = spaced@example.org\nAdministrator=admin@example.org\n"
      "mailserver=  smtp.example.org\nServerName=www.example.org\npassword=a=b\"c\n"
      "version=9.9\nunknown=x\n");
  EXPECT_EQ(s.settings.administrator, "admin@example.org");
  EXPECT_EQ(s.settings.mailServer, "  smtp.example.org");
  EXPECT_EQ(s.settings.serverName, "www.example.org");
  EXPECT_EQ(s.settings.password, "a=b\"c");  // settings values are not normalised
  EXPECT_EQ(s.settings.version, "1.2");
}

TEST_F(Settings, GeneralKeysOfLaterVersionsAreWrittenBack) {
  CgiApplication& s = load(
      "[GENERAL]\nfuture=1\nADMINISTRATOR = spaced\nversion=0.9\npassword=p\n"
      "TrustedProxies=10.0.0.1 10.0.0.2\n[GROUPS]\nshop=/s.grp\n[general]\nlater= x=y \n");
  EXPECT_EQ(s.settings.trustedProxies, "10.0.0.1 10.0.0.2");
  EXPECT_EQ(rewritten(),
            "[GENERAL]\nversion=1.2\npassword=p\ntrustedProxies=10.0.0.1 10.0.0.2\nfuture=1\n"
            "ADMINISTRATOR = spaced\nlater= x=y \n\n[GROUPS]\nshop=/s.grp\n");
}

TEST_F(Settings, FileThatExistsButCannotBeReadIsAFatalError) {
  ASSERT_EQ(mkdir(cgi.home().file("kalder.ini").c_str(), 0755), 0);
  cgi.get("");
  EXPECT_EQ(endedStatus([&] { app = std::make_unique<CgiApplication>(); }), 1);
  EXPECT_NE(cgi.output().find("Cannot open file <tt>" + cgi.home().file("kalder.ini") + "</tt>"),
            std::string::npos)
      << cgi.output();
}

TEST_F(Settings, SectionLinesAsAWholeIgnoringCase) {
  CgiApplication& s = load(
      "administrator=before@example.org\n[GENERAL]\nadministrator=a@example.org\n"
      "[GROUPS] "
      "\nmailserver=still.general\n[whatever]\npassword=p\n[groups]\nshop=/data/shop.grp\n");
  EXPECT_EQ(s.settings.administrator, "a@example.org");
  EXPECT_EQ(s.settings.mailServer, "still.general");
  EXPECT_EQ(s.settings.password, "p");
  EXPECT_EQ(s.settings.groups.value("SHOP"), "/data/shop.grp");
  EXPECT_EQ(s.settings.groups.size(), 1u);
}

TEST_F(Settings, RepeatedGroupKeepsItsFirstPath) {
  CgiApplication& s = load("[GROUPS]\nshop=/a.grp\nSHOP=/b.grp\nnews=/n.grp\n");
  EXPECT_EQ(s.settings.groups.value("shop"), "/a.grp");
  EXPECT_EQ(s.settings.groups.value("shop", 1), "/b.grp");
  EXPECT_EQ(rewritten(), "[GENERAL]\nversion=1.2\n\n[GROUPS]\nshop=/a.grp\nnews=/n.grp\n");
}

TEST_F(Settings, InternationalCodingOnly) {
  CgiApplication& s = load("[INTERNATIONAL]\nslo=cp1250\n");
  EXPECT_EQ(s.settings.languageCodings[1], 4);
  EXPECT_EQ(s.settings.languageCharsets[1], -1);
  EXPECT_EQ(s.choice(1).currentCoding, 4);
  EXPECT_EQ(s.currentIndex(), 0);
  EXPECT_EQ(rewritten(), "[GENERAL]\nversion=1.2\n\n[INTERNATIONAL]\nslo=cp1250\n");
}

TEST_F(Settings, InternationalCharsetOnlyAndBoth) {
  {
    CgiApplication& s = load("[INTERNATIONAL]\nSLO=,utf-8\n");
    EXPECT_EQ(s.settings.languageCodings[1], 0);
    EXPECT_EQ(s.settings.languageCharsets[1], 2);
    EXPECT_EQ(rewritten(), "[GENERAL]\nversion=1.2\n\n[INTERNATIONAL]\nslo=,UTF-8\n");
  }
}

TEST_F(Settings, DefaultLanguageSetsTheVariables) {
  CgiApplication& s = load("[INTERNATIONAL]\nlanguage=slo\nslo=latin2,ISO-8859-2\n");
  EXPECT_EQ(s.settings.defaultLanguage, 1);
  EXPECT_EQ(s.currentIndex(), 1);
  EXPECT_EQ(s.variables().value("&coding"), "latin2");
  EXPECT_EQ(s.variables().value("&charset"), "ISO-8859-2");
  EXPECT_EQ(rewritten(),
            "[GENERAL]\nversion=1.2\n\n[INTERNATIONAL]\nlanguage=slo\nslo=latin2,ISO-8859-2\n");
}

// Also when the request chose a language and coding: its choice is this
// page's, never the file's.
TEST_F(Settings, UnknownNamesInInternationalChangeNothing) {
  for (const char* query : {"", "language=slo,utf8"}) {
    CgiApplication& s =
        load("[INTERNATIONAL]\nlanguage=klingon\neng=cp1250\nfoo=bar\nslo=\nslo=nocoding\n", query);
    EXPECT_EQ(s.settings.defaultLanguage, 0) << query;
    EXPECT_EQ(s.settings.languageCodings[0], 0) << query;
    EXPECT_EQ(s.settings.languageCodings[1], 0) << query;
    EXPECT_EQ(rewritten(), "[GENERAL]\nversion=1.2\n") << query;
  }
}

TEST_F(Settings, UnknownCharsetIsStoredAsNone) {
  CgiApplication& s = load("[INTERNATIONAL]\nslo=,UTF-8\nslo=cp852,nothing\n");
  EXPECT_EQ(s.settings.languageCodings[1], 3);
  EXPECT_EQ(s.settings.languageCharsets[1], -1);
}

TEST_F(Settings, RequestLanguageWinsOverTheFile) {
  CgiApplication& s = load("[INTERNATIONAL]\nlanguage=slo\nslo=cp1250\n", "language=eng");
  EXPECT_EQ(s.currentIndex(), 0);
  EXPECT_EQ(s.settings.defaultLanguage, 1);
  EXPECT_EQ(s.variables().value("&language"), "eng");
  EXPECT_EQ(rewritten(), "[GENERAL]\nversion=1.2\n\n[INTERNATIONAL]\nlanguage=slo\nslo=cp1250\n");
}

TEST_F(Settings, RequestCodingWinsOverTheFileDefault) {
  CgiApplication& s = load("[INTERNATIONAL]\nlanguage=slo\nslo=cp1250\n", "language=slo,utf8");
  EXPECT_EQ(s.variables().value("&coding"), "utf8");
  EXPECT_EQ(s.settings.languageCodings[1], 4);
}

TEST_F(Settings, HeaderIsEveryRemainingByte) {
  CgiApplication& s = load(
      "[GENERAL]\nadministrator=a@b\n[HEADER]\n<link rel=\"stylesheet\" href=\"s.css\">\n"
      "[GROUPS]\nshop=/x\n");
  EXPECT_EQ(s.settings.header, "<link rel=\"stylesheet\" href=\"s.css\">\n[GROUPS]\nshop=/x\n");
  EXPECT_TRUE(s.settings.groups.empty());
  // Kept as the markup it is, with its quotes.
  EXPECT_EQ(s.variables().value("&header"), s.settings.header);
}

TEST_F(Settings, HeaderWithAndWithoutItsFinalLineFeedRoundTrips) {
  for (const char* file : {"[GENERAL]\nversion=1.2\n\n[HEADER]\n<style>b{}</style>\n",
                           "[GENERAL]\nversion=1.2\n\n[HEADER]\n<style>b{}</style>"}) {
    load(file);
    EXPECT_EQ(rewritten(), file);
  }
}

TEST_F(Settings, CrLfLineEndsAreRead) {
  CgiApplication& s = load(
      "[GENERAL]\r\nadministrator=a@example.org\r\n[GROUPS]\r\nshop=/s.grp\r\n"
      "[HEADER]\r\n<meta name=x>\r\nline\r\n");
  EXPECT_EQ(s.settings.administrator, "a@example.org");
  EXPECT_EQ(s.settings.groups.value("shop"), "/s.grp");
  EXPECT_EQ(s.settings.header, "<meta name=x>\nline\n");
}

TEST_F(Settings, VariablesInOrder) {
  cgi.set("SCRIPT_NAME", "/cgi-bin/zorvik.exe");
  CgiApplication& s = load(
      "[GENERAL]\nadministrator=\"Zarko\nserverName=www.example.org\n[HEADER]\n<b class=\"c\">");
  EXPECT_EQ(settingVariables(s),
            "&kalderhome=/cgi-bin/;&version=1.2;&administrator=&Zcaron;arko;"
            "&servername=www.example.org;&header=<b class=\"c\">;");
}

TEST_F(Settings, MalformedFilesNeverBreakTheReader) {
  std::string junk = "[GENERAL]\n=\n==\n===\nno equals sign\n";
  junk += bytes("administrator=a\0b\xFF\n");
  junk += "password=" + std::string(1 << 20, 'p') + "\n";
  junk += bytes("\0\0\0\n\xFF\xFE=\x80\n[");
  junk += "\n[INTERNATIONAL]\n=\nslo=,\nslo=,,\n,=,\nlanguage=\n[GROUPS]\n=x\nlast=line";
  cgi.home().write("kalder.ini", junk);
  CgiApplication& s = load(nullptr);
  EXPECT_EQ(s.settings.password.length(), 1 << 20);
  EXPECT_EQ(s.settings.groups.value("last"), "line");
  EXPECT_EQ(s.settings.languageCodings[1], 0);
}

TEST_F(Settings, BinaryAdministratorValueIsKept) {
  std::string ini = bytes("[GENERAL]\nadministrator=a\0b\xFF\n");
  cgi.home().write("kalder.ini", ini);
  CgiApplication& s = load(nullptr);
  EXPECT_EQ(s.settings.administrator.str(), std::string("a\0b\xFF", 4));
}

TEST_F(Settings, EverythingEmptyIsWrittenAsVersionOnly) {
  load(nullptr);
  EXPECT_EQ(rewritten(), "[GENERAL]\nversion=1.2\n");
}

TEST_F(Settings, FullFileRoundTrips) {
  const char* file =
      "[GENERAL]\nversion=1.2\nadministrator=admin@example.org\nmailServer=smtp.example.org\n"
      "serverName=www.example.org\npassword=secret\n\n[GROUPS]\nshop=c:/web/shop/shop.grp\n"
      "News=/srv/news.grp\n\n[INTERNATIONAL]\nlanguage=slo\nslo=tex,UTF-8\n\n[HEADER]\n"
      "<link rel=\"stylesheet\" href=\"/s.css\">\n<!-- two lines -->\n";
  CgiApplication& s = load(file);
  EXPECT_EQ(rewritten(), file);
  EXPECT_FALSE(s.settingsChanged);
}

TEST_F(Settings, WrittenOnlyWhenMarkedChanged) {
  CgiApplication& s = load("[GENERAL]\nADMINISTRATOR=x\n");
  s.settings.administrator = "y";
  s.writeSettings();
  EXPECT_EQ(cgi.home().read("kalder.ini"), "[GENERAL]\nADMINISTRATOR=x\n");
  s.settingsChanged = true;
  s.finish();
  EXPECT_EQ(cgi.home().read("kalder.ini"), "[GENERAL]\nversion=1.2\nadministrator=y\n");
  EXPECT_FALSE(s.settingsChanged);
  EXPECT_EQ(cgi.output(), "");
}

TEST_F(Settings, LineBreaksInValuesCannotAddLines) {
  CgiApplication& s = load(nullptr);
  s.settings.administrator = "a@b\n[GROUPS]\nevil=/etc/passwd";
  s.settings.password = "p\r\nq";
  s.settings.groups.add("shop", "/s.grp\nx=y", AddMode::Append);
  EXPECT_EQ(rewritten(),
            "[GENERAL]\nversion=1.2\nadministrator=a@b [GROUPS] evil=/etc/passwd\npassword=p  q\n"
            "\n[GROUPS]\nshop=/s.grp x=y\n");
}

TEST_F(Settings, RewriteKeepsThePermissionsAndLeavesNoTemporaryFile) {
  load("[GENERAL]\npassword=secret\n");
  chmod(cgi.home().file("kalder.ini").c_str(), 0600);
  rewritten();
  struct stat info;
  ASSERT_EQ(stat(cgi.home().file("kalder.ini").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(temporaryFiles(cgi.home().path()), 0);
}

TEST_F(Settings, FileThatCannotBeCreatedIsAFatalError) {
  CgiApplication& s = load(nullptr);
  s.settingsPath = cgi.home().file("no-such-directory/kalder.ini");
  s.settingsChanged = true;
  EXPECT_EQ(endedStatus([&] { s.writeSettings(); }), 1);
  EXPECT_FALSE(s.settingsChanged);  // the destructor does not try again
  EXPECT_EQ(
      cgi.output(),
      "<html>\n<head>\n<title>Runtime Error</title>\n</head>\n<body>\n<h1>Runtime Error</h1>\n"
      "<hr>\n<b>Cannot create file <tt>" +
          s.settingsPath.str() + "</tt></b>\n<hr>\n</body>\n</html>\n");
}

TEST_F(Settings, FailedWriteLeavesTheOldFileWhole) {
  const std::string old = "[GENERAL]\nadministrator=old@example.org\n";
  CgiApplication& s = load(old.c_str());
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A file size limit makes the write fail part-way, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {
      4096, 4096
    };
    setrlimit(RLIMIT_FSIZE, &limit);
    s.settings.password = std::string(100000, 'p');  // not on the error page, which must fit
    s.settingsChanged = true;
    int status = endedStatus([&] { s.writeSettings(); });
    std::string out = cgi.output();
    bool reported =
        out.find("Cannot create file <tt>" + s.settingsPath.str() + "</tt>") != std::string::npos;
    _exit(status == 1 && reported ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(cgi.home().read("kalder.ini"), old);
  EXPECT_EQ(temporaryFiles(cgi.home().path()), 0);
}

TEST_F(Settings, ApplicationHeadCarriesTheHeaderAfterTheMeta) {
  CgiApplication& s = load("[HEADER]\n<link href=x>", "language=slo,csz,UTF-8");
  s.writeHead("Na&scaron;e");
  EXPECT_EQ(cgi.output(),
            "<head>\n<title>Nase</title>\n"
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\n"
            "<link href=x>\n</head>\n");
}

TEST_F(Settings, ApplicationHeadWithoutHeader) {
  CgiApplication& s = load(nullptr);
  s.writeHead("T");
  EXPECT_EQ(cgi.output(), "<head>\n<title>T</title>\n</head>\n");
}

TEST_F(Settings, ErrorPageWithContactLineAndMailLink) {
  CgiApplication& s = load("[GENERAL]\nadministrator=admin@example.org\n[HEADER]\n<link href=x>\n");
  EXPECT_EQ(endedStatus([&] { s.fatal(messages::kOpenFailed, "a.dat"); }), 1);
  EXPECT_EQ(cgi.output(),
            "<html>\n<head>\n<title>Runtime Error</title>\n<link href=x>\n\n</head>\n<body>\n"
            "<h1>Runtime Error</h1>\n<hr>\n<b>Cannot open file <tt>a.dat</tt></b>\n<hr>\n"
            "If problems persist, contact administrator: <a href=\"mailto:admin@example.org\">"
            "<tt>admin@example.org</tt></a>\n</body>\n</html>\n");
}

TEST_F(Settings, SloveneErrorPageInCp1250) {
  CgiApplication& s = load("[GENERAL]\nadministrator=admin@example.org\n", "language=slo,cp1250");
  EXPECT_EQ(endedStatus([&] { s.fatal(messages::kCreateFailed, "b.dat"); }), 1);
  EXPECT_EQ(
      cgi.output(),
      "<html>\n<head>\n<title>Napaka med izvajanjem programa</title>\n</head>\n<body>\n"
      "<h1>Napaka med izvajanjem programa</h1>\n<hr>\n"
      "<b>Ne morem ustvariti datoteke <tt>b.dat</tt></b>\n<hr>\n"
      "\xC8"
      "e se problemi ponavljajo, obvestite vzd\x9E"
      "evalca: "
      "<a href=\"mailto:admin@example.org\"><tt>admin@example.org</tt></a>\n</body>\n</html>\n");
}

TEST_F(Settings, ErrorPageWithoutAdministratorHasNoContactLine) {
  CgiApplication& s = load("[GENERAL]\nmailserver=x\n");
  EXPECT_EQ(endedStatus([&] { s.warning(messages::kOpenFailed, "c"); }), 1);
  EXPECT_EQ(cgi.output(),
            "<html>\n<head>\n<title>Warning</title>\n</head>\n<body>\n<h1>Warning</h1>\n<hr>\n"
            "<b>Cannot open file <tt>c</tt></b>\n<hr>\n</body>\n</html>\n");
}

TEST_F(Settings, EnglishErrorPageKeepsEntityNames) {
  CgiApplication& s = load(nullptr);
  EXPECT_EQ(endedStatus([&] { s.fatal(messages::kOpenFailed, "&ccaron;.dat"); }), 1);
  EXPECT_NE(cgi.output().find("<tt>&ccaron;.dat</tt>"), std::string::npos);
}

TEST_F(Settings, PartialPageThenTheApplicationErrorPage) {
  CgiApplication& s = load("[GENERAL]\nadministrator=a@x\n");
  s.print("<html>\n<p>Half");
  EXPECT_EQ(endedStatus([&] { s.fatal(messages::kOpenFailed, "f"); }), 1);
  EXPECT_EQ(cgi.output(),
            "<html>\n<p>Half<html>\n<head>\n<title>Runtime Error</title>\n</head>\n<body>\n"
            "<h1>Runtime Error</h1>\n<hr>\n<b>Cannot open file <tt>f</tt></b>\n<hr>\n"
            "If problems persist, contact administrator: <a href=\"mailto:a@x\"><tt>a@x</tt></a>\n"
            "</body>\n</html>\n");
}

TEST_F(Settings, ConstructionWritesOnlyTheHttpHeader) {
  cgi.home().write("kalder.ini", "[HEADER]\n<x>");
  cgi.get("");
  CgiApplication s;
  EXPECT_EQ(cgi.output(), kHeader);
}

TEST_F(Settings, OpenReadModes) {
  CgiApplication& s = load(nullptr);
  Text missing(cgi.home().file("missing.txt"));
  EXPECT_FALSE(s.openRead(missing, OpenMode::Quiet));
  EXPECT_EQ(cgi.output(), "");
  FilePtr created = s.openRead(missing, OpenMode::CreateIfMissing);
  ASSERT_TRUE(created);
  EXPECT_TRUE(s.fileExists(missing));
  EXPECT_EQ(std::fgetc(created.get()), EOF);
  s.closeFile(created);
  EXPECT_FALSE(created);
  Text gone(cgi.home().file("gone.txt"));
  EXPECT_EQ(endedStatus([&] { s.openRead(gone, OpenMode::Required); }), 1);
  EXPECT_NE(cgi.output().find("<b>Cannot open file <tt>" + gone.str() + "</tt></b>"),
            std::string::npos);
}

TEST_F(Settings, CreateIfMissingInAMissingDirectoryIsFatal) {
  CgiApplication& s = load(nullptr);
  Text path(cgi.home().file("nodir/x.txt"));
  EXPECT_EQ(endedStatus([&] { s.openRead(path, OpenMode::CreateIfMissing); }), 1);
  EXPECT_NE(cgi.output().find("Cannot create file <tt>" + path.str() + "</tt>"), std::string::npos);
}

TEST_F(Settings, CreateIfMissingKeepsAnExistingFile) {
  CgiApplication& s = load(nullptr);
  cgi.home().write("keep.txt", "data\n");
  FilePtr file = s.openRead(Text(cgi.home().file("keep.txt")), OpenMode::CreateIfMissing);
  Text line;
  line.readLine(file.get());
  EXPECT_EQ(line, "data");
}

TEST_F(Settings, WriteUpdateAppend) {
  CgiApplication& s = load(nullptr);
  Text path(cgi.home().file("f.txt"));
  FilePtr w = s.openWrite(path);
  std::fputs("count=1\nrest\n", w.get());
  s.closeFile(w);
  FilePtr u = s.openUpdate(path);
  std::fputs("count=2", u.get());
  s.closeFile(u);
  EXPECT_EQ(cgi.home().read("f.txt"), "count=2\nrest\n");
  FilePtr a = s.openAppend(path);
  EXPECT_EQ(std::ftell(a.get()), 13);
  std::fputs("more\n", a.get());
  s.closeFile(a);
  EXPECT_EQ(cgi.home().read("f.txt"), "count=2\nrest\nmore\n");
  s.createEmptyFile(path);
  EXPECT_EQ(cgi.home().read("f.txt"), "");
}

TEST_F(Settings, WriteUpdateAppendFailures) {
  CgiApplication& s = load(nullptr);
  Text bad(cgi.home().file("nodir/f.txt"));
  EXPECT_EQ(endedStatus([&] { s.openWrite(bad); }), 1);
  EXPECT_NE(cgi.output().find("<b>Cannot create file <tt>"), std::string::npos);
  cgi.clearOutput();
  EXPECT_EQ(endedStatus([&] { s.openUpdate(Text(cgi.home().file("absent.txt"))); }), 1);
  EXPECT_NE(cgi.output().find("<b>Cannot create file <tt>"), std::string::npos);
  cgi.clearOutput();
  EXPECT_EQ(endedStatus([&] { s.openAppend(bad); }), 1);
  EXPECT_NE(cgi.output().find("<b>Cannot open file <tt>"), std::string::npos);
  cgi.clearOutput();
  EXPECT_EQ(endedStatus([&] { s.createEmptyFile(bad); }), 1);
  EXPECT_NE(cgi.output().find("<b>Cannot create file <tt>"), std::string::npos);
}

TEST_F(Settings, FileExistsOnlyForOrdinaryFiles) {
  CgiApplication& s = load(nullptr);
  cgi.home().write("sub/file.txt", "");
  EXPECT_TRUE(s.fileExists(Text(cgi.home().file("sub/file.txt"))));
  EXPECT_FALSE(s.fileExists(Text(cgi.home().file("sub"))));
  EXPECT_FALSE(s.fileExists(Text(cgi.home().file("none"))));
}

TEST_F(Settings, ReplacementThroughATemporaryFile) {
  CgiApplication& s = load(nullptr);
  cgi.home().write("cat.dat", "old\n");
  Text target(cgi.home().file("cat.dat"));
  AtomicFile file;
  s.openReplacement(file, target, privateTempPath(target), target);
  std::fputs("new\n", file.file());
  EXPECT_EQ(cgi.home().read("cat.dat"), "old\n");
  s.commitReplacement(file, target);
  EXPECT_EQ(cgi.home().read("cat.dat"), "new\n");
  EXPECT_EQ(temporaryFiles(cgi.home().path()), 0);
}

TEST_F(Settings, ReplacementThatCannotStartNamesTheReportedPath) {
  CgiApplication& s = load(nullptr);
  Text target(cgi.home().file("nodir/cat.dat"));
  AtomicFile file;
  EXPECT_EQ(
      endedStatus([&] { s.openReplacement(file, target, privateTempPath(target), "cat.dat"); }), 1);
  EXPECT_NE(cgi.output().find("Cannot create file <tt>cat.dat</tt>"), std::string::npos);
}

TEST(SettingsHelpers, TemporaryPathAndOneLine) {
  EXPECT_EQ(privateTempPath("/d/kalder.ini"), "/d/kalder.ini." + std::to_string(getpid()) + ".tmp");
  EXPECT_EQ(oneLine("a\r\nb\nc"), "a  b c");
  EXPECT_EQ(oneLine("plain"), "plain");
}
