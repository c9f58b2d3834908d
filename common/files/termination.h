// Ending on a web server's SIGTERM. A server that stops (or gives up on a
// slow request) sends TERM: the program ends at once, except while it holds
// a lock under which it rewrites files, where TERM waits until the lock is
// released so that no record or state file is cut in half. Files that only
// a finished request would keep (spooled uploads) are removed first.
//
// Resident over FastCGI the whole request is such a stretch: a worker asked
// to stop finishes the request it is answering and ends before the next.
#pragma once

namespace termination {

// Installs the handler; call once at the start of the process.
void endOnTerm();

// While one of these lives TERM is held back; when the last goes, a TERM
// that came meanwhile ends the process. They nest.
class Deferred {
 public:
  Deferred();
  ~Deferred();
  Deferred(const Deferred&) = delete;
  Deferred& operator=(const Deferred&) = delete;
};

// For a child that lives on detached from the request: nothing held back,
// nothing to remove.
void startAfresh();

// `path` is removed if TERM ends the process before forget(path).
void removeOnTerm(const char* path);
void forget(const char* path);

}  // namespace termination
