// zorvik on the server's command line, where the administrator sets the
// password that opens the web pages:
//
//     zorvik.exe --set-password [--home DIR]
//
// The new password is read from standard input (at a terminal twice, without
// echo) and stored in DIR/kalder.ini; without --home, KALDERHOME names DIR.
#pragma once

// Runs the command of `argv` and returns the exit status: 0 when the
// password is stored, 1 when it cannot be, 2 for a command it does not know.
int runPasswordCommand(int argc, char** argv);
