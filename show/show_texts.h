// The texts of the record viewer in both languages, English first and
// Slovenian second (Slovenian letters as entity names).
#pragma once

#include "common/cgi/message_table.h"

namespace showTexts {

// Login page.
inline constexpr MessageTable kLoginTitle{"Records Login", "Prijava za pregled zapisov"};
inline constexpr MessageTable kLoginHeading{"Records of the group of catalogs <tt>%s</tt>",
                                            "Zapisi skupine katalogov <tt>%s</tt>"};
inline constexpr MessageTable kPasswordPrompt{"Please, enter your password", "Vnesite geslo"};

// The group's catalogs.
inline constexpr MessageTable kGroupTitle{"Catalogs of the group %s", "Katalogi skupine %s"};
inline constexpr MessageTable kCatalogColumn{"Catalog", "Katalog"};
inline constexpr MessageTable kDescriptionColumn{"Description", "Opis"};
inline constexpr MessageTable kRecordsColumn{"Records", "&Scaron;tevilo zapisov"};
inline constexpr MessageTable kAllPeriods{"all periods", "vsa obdobja"};
inline constexpr MessageTable kNoCatalogs{"The group has no catalogs.", "Skupina nima katalogov."};

// How long the group keeps its catalogs' records.
inline constexpr MessageTable kRetentionTitle{"Retention", "Hramba zapisov"};
inline constexpr MessageTable kKeptColumn{"Records kept", "Zapisi se hranijo"};
inline constexpr MessageTable kOldestColumn{"The oldest record goes",
                                            "Najstarej&scaron;i zapis bo izbrisan"};
inline constexpr MessageTable kKeptForever{"for ever", "trajno"};
// Days as English and Slovenian count them: 1, 2, 3 and 4, any other number
// (Slovenian takes the last two digits).
inline constexpr MessageTable kKeptDays[] = {{"%ld day", "%ld dan"},
                                             {"%ld days", "%ld dneva"},
                                             {"%ld days", "%ld dnevi"},
                                             {"%ld days", "%ld dni"}};
inline constexpr MessageTable kOldestGoes{"on %s (stored on %s)", "%s (shranjen %s)"};
inline constexpr MessageTable kNoDatedRecord{"no record has a date", "noben zapis nima datuma"};

// One catalog's records.
inline constexpr MessageTable kCatalogTitle{"Catalog %s", "Katalog %s"};
inline constexpr MessageTable kRecordRange{"Records %ld to %ld of %ld",
                                           "Zapisi od %ld do %ld, skupaj %ld"};
inline constexpr MessageTable kNoRecords{"The catalog holds no records.", "Katalog nima zapisov."};
inline constexpr MessageTable kLabelColumn{"Label", "Oznaka"};
inline constexpr MessageTable kDateColumn{"Date", "Datum"};
inline constexpr MessageTable kTimeColumn{"Time", "Ura"};
inline constexpr MessageTable kDataColumn{"Data", "Podatki"};
inline constexpr MessageTable kPage{"Page", "Stran"};
inline constexpr MessageTable kPreviousPage{"Previous page", "Prej&scaron;nja stran"};
inline constexpr MessageTable kNextPage{"Next page", "Naslednja stran"};
inline constexpr MessageTable kDownloadCsv{"Download as CSV", "Prenesi kot CSV"};
inline constexpr MessageTable kAllCatalogs{"All catalogs of the group", "Vsi katalogi skupine"};

// One record.
inline constexpr MessageTable kRecordTitle{"Record %s", "Zapis %s"};
inline constexpr MessageTable kNameColumn{"Name", "Ime"};
inline constexpr MessageTable kValueColumn{"Value", "Vrednost"};
inline constexpr MessageTable kPreviousRecord{"Previous record", "Prej&scaron;nji zapis"};
inline constexpr MessageTable kNextRecord{"Next record", "Naslednji zapis"};
inline constexpr MessageTable kAllRecords{"All records of the catalog", "Vsi zapisi kataloga"};
inline constexpr MessageTable kRecordNotFound{"Record <tt>%s</tt> not found",
                                              "Zapisa <tt>%s</tt> ni mogo&ccaron;e najti"};

// Erasing a record.
inline constexpr MessageTable kEraseButton{"Delete this record", "Izbri&scaron;i ta zapis"};
inline constexpr MessageTable kEraseTitle{"Delete record %s", "Brisanje zapisa %s"};
inline constexpr MessageTable kEraseWarning{
    "The record, its index entry and its uploaded files will be removed for good; the log of "
    "deletions keeps only its label, the time and your address.",
    "Zapis, njegov vnos v indeksu in njegove prilo&zcaron;ene datoteke bodo trajno odstranjeni; "
    "dnevnik brisanj obdr&zcaron;i le oznako, &ccaron;as in va&scaron; naslov."};
inline constexpr MessageTable kEraseConfirm{"Delete for good", "Trajno izbri&scaron;i"};
inline constexpr MessageTable kEraseCancel{"Keep the record", "Obdr&zcaron;i zapis"};
inline constexpr MessageTable kErasedTitle{"Record %s deleted", "Zapis %s je izbrisan"};

// The notifications of a record.
inline constexpr MessageTable kMailsTitle{"Notifications", "Obvestila"};
inline constexpr MessageTable kMailRecipient{"Recipient", "Prejemnik"};
inline constexpr MessageTable kMailState{"State", "Stanje"};
inline constexpr MessageTable kMailReply{"Mail server's reply",
                                         "Odgovor po&scaron;tnega stre&zcaron;nika"};
inline constexpr MessageTable kMailSent{"sent %s", "poslano %s"};
inline constexpr MessageTable kMailWaiting{"waiting since %s, next try %s",
                                           "&ccaron;aka od %s, naslednji poskus %s"};
inline constexpr MessageTable kMailFailed{"failed", "ni uspelo"};
inline constexpr MessageTable kMailRetry{"Try again", "Poskusi znova"};
inline constexpr MessageTable kMailDrop{"Drop", "Zavrzi"};
inline constexpr MessageTable kMailCounts{"Mails waiting: %ld, failed: %ld",
                                          "Po&scaron;ta na &ccaron;akanju: %ld, neuspela: %ld"};

// The automatic fields of a record, in the order they are written.
inline constexpr MessageTable kAutomaticFields[] = {
    {"Label", "Oznaka"}, {"Form", "Obrazec"}, {"Computer", "Ra&ccaron;unalnik"},
    {"Date", "Datum"},   {"Time", "Ura"},     {"Reference label", "Referen&ccaron;na oznaka"},
};

// Dates and times of the record list, in the dash codes of formatDate.
inline constexpr MessageTable kListDate{"-n -d, -Y", "-d. -m. -Y"};
inline constexpr MessageTable kListTime{"-H:-T", "-H:-T"};

}  // namespace showTexts
