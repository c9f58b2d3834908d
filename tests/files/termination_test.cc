// A TERM ends the process at once, removing the files listed for it, except
// inside a deferred stretch, after which it ends the process.
#include "common/files/termination.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "support/test_home.h"

namespace {

// Runs `body` in a child that reports on a pipe when it is ready for the
// TERM, sends it, and returns the wait status.
template <typename Body>
int statusAfterTerm(Body body) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  pid_t child = fork();
  if (child == 0) {
    close(ready[0]);
    termination::endOnTerm();
    body([&] { (void)!write(ready[1], "r", 1); });
    _exit(0);
  }
  close(ready[1]);
  char byte;
  EXPECT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

void touch(const std::string& path) { close(open(path.c_str(), O_CREAT | O_WRONLY, 0600)); }

bool endedByTerm(int status) { return WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM; }

}  // namespace

TEST(Termination, EndsAtOnceAndRemovesTheListedFiles) {
  TestHome home;
  std::string spooled = home.file("upload.tmp"), after = home.file("after");
  int status = statusAfterTerm([&](auto ready) {
    touch(spooled);
    termination::removeOnTerm(spooled.c_str());
    ready();
    sleep(5);
    touch(after);
  });
  EXPECT_TRUE(endedByTerm(status));
  EXPECT_FALSE(home.exists("upload.tmp"));
  EXPECT_FALSE(home.exists("after"));
}

TEST(Termination, WaitsForTheEndOfADeferredStretch) {
  TestHome home;
  std::string inside = home.file("inside"), after = home.file("after"), kept = home.file("kept");
  int status = statusAfterTerm([&](auto ready) {
    touch(kept);
    termination::removeOnTerm(kept.c_str());
    {
      termination::Deferred outer;
      termination::Deferred inner;
      ready();
      usleep(300 * 1000);
      termination::forget(kept.c_str());
      touch(inside);
    }
    touch(after);
  });
  EXPECT_TRUE(endedByTerm(status));
  EXPECT_TRUE(home.exists("inside"));
  EXPECT_TRUE(home.exists("kept"));
  EXPECT_FALSE(home.exists("after"));
}
