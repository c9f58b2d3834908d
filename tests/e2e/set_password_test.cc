// "zorvik.exe --set-password" typed on the server: the password read from
// standard input lands in kalder.ini with every other line, the owner and the
// mode kept, and the same arguments coming from a web server are no command.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

struct CommandResult {
  int status = -1;
  std::string output;  // standard output and standard error
};

// Runs zorvik with `arguments`, the environment `env` and `input` on
// standard input (a file, not a terminal).
CommandResult runZorvik(const std::vector<std::string>& arguments, const Environment& env,
                        const std::string& input) {
  TestHome scratch;
  writeFile(scratch.file("in"), input);
  std::string program = programPath("zorvik");
  std::vector<std::string> entries;
  for (const auto& [name, value] : env) entries.push_back(name + "=" + value);
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

struct stat statOf(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info;
}

class SetPassword : public ::testing::Test {
 protected:
  Environment shell() const { return {{"PATH", "/usr/bin:/bin"}, {"KALDERHOME", home.path()}}; }
  CommandResult setPassword(const std::string& input, Environment env = {}) const {
    if (env.empty()) env = shell();
    return runZorvik({"--set-password"}, env, input);
  }
  CgiResult loginWith(const std::string& password) const {
    std::string body = "password=" + password;
    return runCgi(programPath("zorvik"), postEnvironment(home.path(), "zorvik", "", "", body),
                  body);
  }
  static bool isOverview(const CgiResult& r) {
    return r.output.find("<h1>Settings in initialization file") != std::string::npos;
  }

  TestHome home;
};

TEST_F(SetPassword, ReplacesThePasswordLineAndKeepsEveryOtherByte) {
  const std::string before =
      "; hand-written\r\n[general]\r\nadministrator = spaced\r\nPassword=old\r\nfuture=1\r\n"
      "password=older\r\n[GROUPS]\r\npassword=not/a/setting.grp\r\n[GENERAL]\r\npassword=last\r\n"
      "[HEADER]\r\npassword=header text\r\n";
  home.write("kalder.ini", before);
  CommandResult result = setPassword("N3w pass\n");
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_EQ(result.output, "zorvik: the password is stored in " + home.file("kalder.ini") + "\n");
  EXPECT_EQ(home.read("kalder.ini"),
            "; hand-written\r\n[general]\r\nadministrator = spaced\r\npassword=N3w pass\r\n"
            "future=1\r\n[GROUPS]\r\npassword=not/a/setting.grp\r\n[GENERAL]\r\n"
            "[HEADER]\r\npassword=header text\r\n");
  EXPECT_TRUE(isOverview(loginWith("n3w+PASS")));
  EXPECT_FALSE(isOverview(loginWith("old")));
}

TEST_F(SetPassword, AddsTheLineToTheGeneralSectionOrTheSectionItself) {
  struct Case {
    const char* before;
    const char* after;
  } cases[] = {
      {"[GENERAL]\nadministrator=a@b\n", "[GENERAL]\npassword=pw\nadministrator=a@b\n"},
      {"[GROUPS]\nshop=/s.grp", "[GROUPS]\nshop=/s.grp\n\n[GENERAL]\npassword=pw\n"},
      {"[GROUPS]\nshop=/s.grp\n[HEADER]\n<b>\n",
       "[GROUPS]\nshop=/s.grp\n[GENERAL]\npassword=pw\n\n[HEADER]\n<b>\n"},
      {"", "[GENERAL]\nversion=1.2\npassword=pw\n"},
  };
  for (const Case& c : cases) {
    home.write("kalder.ini", c.before);
    EXPECT_EQ(setPassword("pw").status, 0);
    EXPECT_EQ(home.read("kalder.ini"), c.after) << c.before;
  }
}

TEST_F(SetPassword, KeepsTheOwnerAndTheMode) {
  home.write("kalder.ini", "[GENERAL]\npassword=old\n");
  chmod(home.file("kalder.ini").c_str(), 0604);
  bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(home.file("kalder.ini").c_str(), 4321, 8765), 0);
  }
  EXPECT_EQ(setPassword("new\n").status, 0);
  struct stat info = statOf(home.file("kalder.ini"));
  EXPECT_EQ(info.st_mode & 07777, 0604u);
  EXPECT_EQ(info.st_uid, root ? 4321u : geteuid());
  EXPECT_EQ(info.st_gid, root ? 8765u : getegid());
  EXPECT_EQ(home.read("kalder.ini"), "[GENERAL]\npassword=new\n");
}

TEST_F(SetPassword, NewFileBelongsToTheOwnerOfItsDirectory) {
  bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(home.path().c_str(), 4321, 8765), 0);
  }
  CommandResult result =
      runZorvik({"--home", home.path(), "--set-password"}, {{"PATH", "/usr/bin:/bin"}}, "first\n");
  EXPECT_EQ(result.status, 0) << result.output;
  struct stat info = statOf(home.file("kalder.ini"));
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 8765u);
  }
  EXPECT_TRUE(isOverview(loginWith("first")));
}

TEST_F(SetPassword, HomeIsTakenInLowerCaseAsTheProgramsTakeIt) {
  std::string upper = home.path();
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(runZorvik({"--set-password", "--home=" + upper}, {}, "pw\n").status, 0);
  EXPECT_EQ(home.read("kalder.ini"), "[GENERAL]\nversion=1.2\npassword=pw\n");
}

TEST_F(SetPassword, RefusesWhatCannotBeAPasswordAndLeavesTheFile) {
  home.write("kalder.ini", "[GENERAL]\npassword=old\n");
  for (const std::string& input :
       {std::string(), std::string("\n"), std::string("\r\n"), std::string("caf\xC3\xA9\n"),
        std::string("tab\there\n"), std::string(201, 'p')}) {
    CommandResult result = setPassword(input);
    EXPECT_EQ(result.status, 1) << input;
    EXPECT_EQ(result.output.rfind("zorvik: ", 0), 0u) << result.output;
  }
  EXPECT_EQ(home.read("kalder.ini"), "[GENERAL]\npassword=old\n");
}

TEST_F(SetPassword, NeedsAHomeAndKnowsOnlyItsOwnArguments) {
  EXPECT_EQ(runZorvik({"--set-password"}, {{"PATH", "/bin"}}, "pw\n").status, 1);
  EXPECT_EQ(runZorvik({"--set-passwd"}, shell(), "pw\n").status, 2);
  EXPECT_EQ(runZorvik({"--home", home.path()}, shell(), "pw\n").status, 2);
  EXPECT_FALSE(home.exists("kalder.ini"));
}

TEST_F(SetPassword, SettingsThatCannotBeReadAreNotReplaced) {
  ASSERT_EQ(mkdir(home.file("kalder.ini").c_str(), 0755), 0);
  CommandResult result = setPassword("pw\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("not an ordinary file"), std::string::npos) << result.output;
}

// Apache's mod_cgi passes a query string without "=" as arguments: with a web
// server's variables set, "--set-password" is an ordinary (refused) request.
TEST_F(SetPassword, ArgumentsFromAWebServerAreNoCommand) {
  home.write("kalder.ini", "[GENERAL]\n");
  Environment web = getEnvironment(home.path(), "zorvik", "", "--set-password");
  web["GATEWAY_INTERFACE"] = "CGI/1.1";
  Environment gatewayOnly = shell();
  gatewayOnly["GATEWAY_INTERFACE"] = "";
  Environment methodOnly = shell();
  methodOnly["REQUEST_METHOD"] = "GET";
  for (const Environment& env : {web, gatewayOnly, methodOnly}) {
    CommandResult result = setPassword("taken\n", env);
    EXPECT_NE(result.output.find("Administration closed"), std::string::npos) << result.output;
    EXPECT_EQ(home.read("kalder.ini"), "[GENERAL]\n");
  }
}

}  // namespace
