// Work that goes on after a request has been answered (delivering the
// outbox, a share of the expiry): a process of its own that keeps none of
// the request's files open and belongs to init, so the web server ends the
// response without waiting for it and the program never waits either.
#pragma once

#include <functional>

// Runs `work` in such a process; nothing when none can be started (the next
// request or the timer does it).
void startDetached(const std::function<void()>& work);
