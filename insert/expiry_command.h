// insert on the server's command line, for cron or a systemd timer: expires
// the records of every group of a home that its retention no longer keeps,
// with the mails of its groups the outbox keeps (common/storing/expiry.h).
//
//     insert.exe --expire [--home DIR]
//
// Run as root, every file it rewrites keeps its owner and mode.
#pragma once

// Whether the arguments ask for the expiry.
bool asksForExpiry(int argc, char** argv);

// Runs it and returns the exit status: 0 done, 1 the settings could not be
// read or a file could not be written (each named on standard error), 2 an
// argument it does not know.
int runExpiryCommand(int argc, char** argv);
