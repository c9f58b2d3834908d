// The messages of a group of catalogs: names the group lacks, what a request
// failed to name, and a record that cannot be read. Both the group layer and
// the catalog layer report them.
#pragma once

#include "common/cgi/message_table.h"

namespace messages {
inline constexpr MessageTable kUnknownGroup{"Unknown group of catalogs: <tt>%s</tt>",
                                            "Ne poznam skupine katalogov z imenom <tt>%s</tt>"};
inline constexpr MessageTable kFormNotFound{"Cannot find form <tt>%s</tt>",
                                            "Ne najdem obrazca <tt>%s</tt>"};
inline constexpr MessageTable kCatalogNotFound{"Cannot find catalog <tt>%s</tt>",
                                               "Ne najdem kataloga <tt>%s</tt>"};
inline constexpr MessageTable kNoGroup{"Group of catalogs is not specified",
                                       "Skupina katalogov ni dolo&ccaron;ena"};
inline constexpr MessageTable kNoCatalogForForm{
    "Catalog for form <tt>%s</tt> is not specified",
    "Katalog za obrazec <tt>%s</tt> ni dolo&ccaron;ena"};
inline constexpr MessageTable kBadRecord{"Error in data", "Napaka v podatkih"};
inline constexpr MessageTable kNoForm{"Form is not specified", "Obrazec ni dolo&ccaron;en"};
}  // namespace messages
