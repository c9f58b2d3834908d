// Starting a detached process: two forks, a session of its own, no open files.
#include "common/files/detached_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "common/files/termination.h"

void startDetached(const std::function<void()>& work) {
  std::fflush(nullptr);
  pid_t child = fork();
  if (child < 0) return;
  if (child > 0) {
    waitpid(child, nullptr, 0);
    return;
  }
  // The middle process exits at once, so the run belongs to init and the
  // program never waits for it.
  setsid();
  if (fork() != 0) _exit(0);
  termination::startAfresh();
  int null = open("/dev/null", O_RDWR);
  for (int fd = 0; fd < 3; ++fd) dup2(null, fd);
  close_range(3, ~0U, 0);
  work();
  _exit(0);
}
