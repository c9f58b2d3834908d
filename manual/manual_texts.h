// The few words of the help pages that are not part of the help texts: the
// links back and the page for an unknown name.
#pragma once

#include "common/cgi/message_table.h"

namespace manualTexts {
inline constexpr MessageTable kAdministration{"Administration", "Administracija"};
inline constexpr MessageTable kContents{"Contents of the help", "Vsebina pomo&ccaron;i"};
// Each language's own name, for the link to the page in that language.
inline constexpr MessageTable kLanguageName{"English", "Sloven&scaron;&ccaron;ina"};
inline constexpr MessageTable kNotFoundTitle{"Help page not found", "Strani pomo&ccaron;i ni"};
inline constexpr MessageTable kNotFound{
    "There is no such help page. The contents of the help list every page.",
    "Take strani pomo&ccaron;i ni. Vsebina pomo&ccaron;i na&scaron;teje vse strani."};
}  // namespace manualTexts
