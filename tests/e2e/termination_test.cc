// A web server's TERM ends insert as CGI while the body still arrives, and
// the file it was spooling goes with it: nothing is stored, nothing is left.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

int filesUnder(const std::string& folder) {
  int count = 0;
  std::error_code error;
  for (const auto& item : std::filesystem::recursive_directory_iterator(folder, error))
    if (item.is_regular_file()) ++count;
  return count;
}

TEST(Termination, TermWhileTheBodyArrivesLeavesNoFile) {
  if (std::getenv("KALDER_TEST_FASTCGI")) GTEST_SKIP() << "a CGI process's own signal";
  TestHome home;
  home.write("kalder.ini", "[GENERAL]\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
  home.write("shop.grp", "form=order\ncatalog=orders order\nlabel=Q-\n");
  home.write("shop.grp.options", "uploadEndings=pdf\n");
  std::string start =
      "--XyZ\r\nContent-Disposition: form-data; name=\"cv\"; filename=\"cv.pdf\"\r\n\r\n" +
      std::string(70000, 'x');
  Environment env = postEnvironment(home.path(), "insert", "shop", "formid=order", "");
  env["CONTENT_TYPE"] = "multipart/form-data; boundary=XyZ";
  env["CONTENT_LENGTH"] = "1000000";
  std::vector<std::string> lines;
  for (const auto& [name, value] : env) lines.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& line : lines) envp.push_back(line.data());
  envp.push_back(nullptr);
  std::string program = programPath("insert");

  int input[2];
  ASSERT_EQ(pipe(input), 0);
  pid_t child = fork();
  if (child == 0) {
    dup2(input[0], 0);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(input[1]);
    char* argv[] = {program.data(), nullptr};
    execve(program.c_str(), argv, envp.data());
    _exit(127);
  }
  close(input[0]);
  ASSERT_EQ(write(input[1], start.data(), start.size()), static_cast<ssize_t>(start.size()));
  std::string folder = home.file("orders.files");
  for (int i = 0; i < 800 && filesUnder(folder) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  EXPECT_EQ(filesUnder(folder), 1);  // the upload, spooled while the body arrives
  kill(child, SIGTERM);
  int status = 0;
  pid_t ended = 0;
  for (int i = 0; i < 400 && ended == 0; ++i) {
    ended = waitpid(child, &status, WNOHANG);
    if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  if (ended == 0) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    ADD_FAILURE() << "insert went on after TERM";
  }
  close(input[1]);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  EXPECT_EQ(filesUnder(folder), 0);
  EXPECT_FALSE(home.exists("orders.dat"));
}

}  // namespace
