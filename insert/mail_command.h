// insert on the server's command line, for cron or a systemd timer: delivers
// the mails waiting in the outbox of a home, or expires the records that
// their groups keep no longer (expiry_command.h).
//
//     insert.exe --flush-mail [--all] [--home DIR]
//
// Without --home, KALDERHOME names the home; --all tries every waiting mail
// now, not only those whose next try is due.
#pragma once

inline constexpr char kCommandUsage[] =
    "usage: insert.exe --flush-mail [--all] [--home DIR]\n"
    "       insert.exe --expire [--home DIR]\n";

// Runs the command of `argv` and returns the exit status: 0 done, 1 the
// settings could not be read, 2 a command it does not know.
int runMailCommand(int argc, char** argv);
