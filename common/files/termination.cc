// The TERM handler, the deferral count and the files removed on TERM. This
// is the process's own signal state, not a request's: the list is empty and
// the count zero between requests.
#include "common/files/termination.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace termination {
namespace {

int deferrals = 0;
// Changed only while TERM is blocked, so the handler never sees it half-changed.
std::vector<std::string>* removals = nullptr;

void blockTerm(int how) {
  sigset_t term;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  sigprocmask(how, &term, nullptr);
}

// Removes the listed files and ends as TERM's default action would (the
// parent sees the signal), with nothing else run: the stretch in between was
// not under a lock, so nothing is half-written.
void onTerm(int) {
  if (removals)
    for (const std::string& path : *removals) ::unlink(path.c_str());
  signal(SIGTERM, SIG_DFL);
  raise(SIGTERM);
}

}  // namespace

void endOnTerm() {
  struct sigaction action = {};
  action.sa_handler = onTerm;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
}

Deferred::Deferred() {
  if (deferrals++ == 0) blockTerm(SIG_BLOCK);
}

Deferred::~Deferred() {
  if (--deferrals == 0) blockTerm(SIG_UNBLOCK);
}

void startAfresh() {
  if (removals) removals->clear();
  deferrals = 0;
  blockTerm(SIG_UNBLOCK);
}

void removeOnTerm(const char* path) {
  Deferred held;
  if (!removals) removals = new std::vector<std::string>();
  removals->push_back(path);
}

void forget(const char* path) {
  Deferred held;
  if (!removals) return;
  auto found = std::find(removals->begin(), removals->end(), path);
  if (found != removals->end()) removals->erase(found);
}

}  // namespace termination
