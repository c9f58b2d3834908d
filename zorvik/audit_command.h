// zorvik on the server's command line, where the administrator checks the
// chain of the audit log (common/access/audit_log.h):
//
//     zorvik.exe --verify-audit [--home DIR]
//
// checks audit.log.1 (when it exists), then audit.log, in DIR; without
// --home, KALDERHOME names DIR. It prints "intact" and the latest hash, or
// "broken:" and the first line that does not hold.
#pragma once

// True when `argv` asks for this command.
bool asksForAuditCheck(int argc, char** argv);

// Runs the command of `argv` and returns the exit status: 0 when the chain
// holds, 1 when a line breaks it, 2 for arguments it does not know.
int runAuditCommand(int argc, char** argv);
