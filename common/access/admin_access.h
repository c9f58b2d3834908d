// Admission to the programs that the administrator's password protects (the
// settings pages, the index builder and the record viewer): they stay closed
// while no password is stored, refuse an address that failed too often, and
// send their pages with header lines that keep them out of caches and frames.
#pragma once

#include <string_view>

#include "common/settings/cgi_application.h"

// The header lines of every answer of these programs: the pages carry the
// password in hidden fields (no cache may keep them) and hold buttons that
// change files (no other site may show them in a frame to steer a click).
// Each program's main makes them standing lines and guards the pages'
// scripts (ProgramTraits::guardPageScripts, whose policy forbids frames
// too), so an error page during start-up (an unknown group, say) carries
// them too.
inline constexpr char kAdminHeaderLines[] =
    "Cache-Control: no-store\n"
    "X-Frame-Options: DENY\n";

// The traits of zorvik, show and lunoder: those lines and the script guard.
inline ProgramTraits adminProgramTraits(const char* programArgument) {
  ProgramTraits traits;
  traits.standingHeaderLines = kAdminHeaderLines;
  traits.guardPageScripts = true;
  traits.programArgument = programArgument;
  return traits;
}

namespace messages {
inline constexpr MessageTable kAdministrationClosed{"Administration closed",
                                                    "Administracija je zaprta"};
inline constexpr MessageTable kNoPasswordSet{
    "No administrator password is set, so these pages admit nobody. The administrator sets one "
    "on the server: <tt>zorvik.exe --set-password</tt> in the directory of the programs, with "
    "<tt>KALDERHOME</tt> or <tt>--home</tt> naming the home directory.",
    "Geslo administratorja ni nastavljeno, zato te strani ne sprejmejo nikogar. Administrator ga "
    "nastavi na stre&zcaron;niku: <tt>zorvik.exe --set-password</tt> v imeniku programov, z "
    "doma&ccaron;im imenikom v <tt>KALDERHOME</tt> ali za <tt>--home</tt>."};
inline constexpr MessageTable kTooManyFailures{"Too many failed logins",
                                               "Preve&ccaron; neuspelih prijav"};
inline constexpr MessageTable kTryAgainLater{
    "A wrong password came from your address too often. Please try again in %ld min.",
    "Z va&scaron;ega naslova je pri&scaron;lo preve&ccaron; napa&ccaron;nih gesel. Poskusite "
    "znova &ccaron;ez %ld min."};
}  // namespace messages

// Decides whether the request may in: true when `posted` (the password the
// request posted, never one from the query string) matches the stored one.
// Ends the request with a refusal page of its own, whatever was posted, when
// no password is stored ("403 Forbidden") or when the client address failed
// LoginFailures::kMaxFailures times within the window ("429 Too Many
// Requests"). A wrong non-empty password counts as a failure of the client's
// address and is written to the audit log (a log that cannot be written
// ends the request with "Cannot create file"); a right one clears its
// count. False means: show the login page.
// REQUIRES: nothing of the answer is written yet.
bool admitAdministrator(CgiApplication& app, std::string_view posted);
