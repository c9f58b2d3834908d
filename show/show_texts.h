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
inline constexpr MessageTable kAuditLoginHeading{"Audit log of the administration",
                                                 "Revizijska sled administracije"};
inline constexpr MessageTable kMetricsLoginHeading{"Metrics for monitoring", "Meritve za nadzor"};

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

// The webhooks of a record and the group's signing key.
inline constexpr MessageTable kWebhooksTitle{"Webhooks", "Spletni klici (webhooks)"};
inline constexpr MessageTable kWebhookAddress{"Address", "Naslov"};
inline constexpr MessageTable kWebhookReply{"Receiver's status line",
                                            "Statusna vrstica prejemnika"};
inline constexpr MessageTable kWebhookDelivered{"delivered %s", "dostavljeno %s"};
inline constexpr MessageTable kWebhookSendAgain{"Send again", "Po&scaron;lji znova"};
inline constexpr MessageTable kWebhookKeyTitle{"Webhook signing key",
                                               "Klju&ccaron; za podpisovanje spletnih klicev"};
inline constexpr MessageTable kWebhookKeyInOptions{
    "The key is set by <tt>webhookSecret</tt> in the group's options file.",
    "Klju&ccaron; dolo&ccaron;a <tt>webhookSecret</tt> v datoteki mo&zcaron;nosti skupine."};
inline constexpr MessageTable kWebhookRotate{"Make a new key", "Ustvari nov klju&ccaron;"};
inline constexpr MessageTable kWebhookKeyRotated{
    "A new key signs the webhooks from now on; give it to every receiver.",
    "Odslej spletne klice podpisuje nov klju&ccaron;; sporo&ccaron;ite ga vsem prejemnikom."};
inline constexpr MessageTable kWebhookKeyFailed{
    "The key file cannot be read or written.",
    "Datoteke s klju&ccaron;em ni mogo&ccaron;e prebrati ali zapisati."};

// One person's data.
inline constexpr MessageTable kPersonHeading{"One person's data", "Podatki ene osebe"};
inline constexpr MessageTable kPersonPrompt{
    "Text that a field equals (an e-mail address, say)",
    "Besedilo, ki mu je enako neko polje (na primer e-po&scaron;tni naslov)"};
inline constexpr MessageTable kPersonFieldPrompt{"Only in the field (may stay empty)",
                                                 "Le v polju (lahko ostane prazno)"};
inline constexpr MessageTable kPersonFind{"Find", "Poi&scaron;&ccaron;i"};
inline constexpr MessageTable kPersonTitle{"Data of one person in the group %s",
                                           "Podatki ene osebe v skupini %s"};
inline constexpr MessageTable kPersonAnyField{
    "Records in which a field equals <tt>%s</tt>, letter case ignored: %ld",
    "Zapisi, v katerih je neko polje enako <tt>%s</tt> ne glede na velikost &ccaron;rk: %ld"};
inline constexpr MessageTable kPersonNamedField{
    "Records in which the field <tt>%s</tt> equals <tt>%s</tt>, letter case ignored: %ld",
    "Zapisi, v katerih je polje <tt>%s</tt> enako <tt>%s</tt> ne glede na velikost &ccaron;rk: "
    "%ld"};
inline constexpr MessageTable kHeldIn{"%s (quarantine)", "%s (karantena)"};
inline constexpr MessageTable kPendingIn{"%s (awaiting confirmation)",
                                         "%s (&ccaron;aka na potrditev)"};
inline constexpr MessageTable kNoLabel{"(no label)", "(brez oznake)"};
inline constexpr MessageTable kPersonMails{"Mails not yet sent",
                                           "&Scaron;e neposlana po&scaron;ta"};
inline constexpr MessageTable kPersonWebhooks{"Webhooks not yet delivered",
                                              "&Scaron;e nedostavljeni spletni klici"};
inline constexpr MessageTable kMailNotSent{"not yet sent", "&scaron;e ni poslana"};
inline constexpr MessageTable kOfNoRecord{"of no record found", "ni od najdenega zapisa"};
inline constexpr MessageTable kDownloadAll{"Download all", "Prenesi vse"};
inline constexpr MessageTable kEraseAll{"Erase all", "Izbri&scaron;i vse"};
inline constexpr MessageTable kPersonEraseTitle{"Erase the data of one person in the group %s",
                                                "Brisanje podatkov ene osebe v skupini %s"};
inline constexpr MessageTable kPersonEraseWarning{
    "These records, their index entries, their uploaded files and their mails not yet sent, and "
    "the mails listed, will be removed for good; the log of deletions keeps only each label, the "
    "time and your address. A record stored after this page was made is not touched.",
    "Ti zapisi, njihovi vnosi v indeksu, njihove prilo&zcaron;ene datoteke in njihova &scaron;e "
    "neposlana po&scaron;ta ter na&scaron;teta po&scaron;ta bodo trajno odstranjeni; dnevnik "
    "brisanj obdr&zcaron;i le oznako vsakega zapisa, &ccaron;as in va&scaron; naslov. Zapis, "
    "shranjen po nastanku te strani, ostane nedotaknjen."};
inline constexpr MessageTable kPersonEraseRecords{"Records: %s", "Zapisi: %s"};
inline constexpr MessageTable kPersonEraseHeld{"Records in the quarantine: %s",
                                               "Zapisi v karanteni: %s"};
inline constexpr MessageTable kPersonErasePending{"Submissions awaiting confirmation: %s",
                                                  "Oddaje, ki &ccaron;akajo na potrditev: %s"};
inline constexpr MessageTable kPersonEraseMails{"Mails of no record found: %ld",
                                                "Po&scaron;ta, ki ni od najdenega zapisa: %ld"};
inline constexpr MessageTable kPersonUnlabelled{
    "Records stored without a label cannot be erased here: %ld",
    "Zapisov, shranjenih brez oznake, tu ni mogo&ccaron;e izbrisati: %ld"};
inline constexpr MessageTable kPersonEraseConfirm{"Erase for good", "Trajno izbri&scaron;i"};
inline constexpr MessageTable kPersonKeep{"Keep the data", "Obdr&zcaron;i podatke"};
inline constexpr MessageTable kPersonErasedTitle{"Data of one person erased",
                                                 "Podatki ene osebe so izbrisani"};
inline constexpr MessageTable kPersonReplies{
    "Mails to this address counted today by the limit of replies to visitors: %ld.",
    "Danes &scaron;teta sporo&ccaron;ila na ta naslov (omejitev odgovorov obiskovalcem): %ld."};
inline constexpr MessageTable kPersonErased{
    "Records erased: %ld; mails removed: %ld.",
    "Izbrisani zapisi: %ld; odstranjena po&scaron;ta: %ld."};
inline constexpr MessageTable kPersonNotErased{
    "Not erased, since they are gone or no longer hold the text: %s",
    "Niso izbrisani, ker jih ni ve&ccaron; ali besedila ne vsebujejo ve&ccaron;: %s"};
inline constexpr MessageTable kPersonTooLong{
    "The text or field name searched for is longer than %ld bytes",
    "Iskano besedilo ali ime polja je dalj&scaron;e od %ld bajtov"};
inline constexpr MessageTable kPersonInAddress{
    "A person's text and field are taken from a posted form only, never from the address",
    "Besedilo in polje osebe se sprejmeta le iz poslanega obrazca, nikoli iz naslova"};
inline constexpr MessageTable kZipUnavailable{
    "The ZIP download needs libarchive (Debian: libarchive13)",
    "Prenos ZIP potrebuje knji&zcaron;nico libarchive (Debian: libarchive13)"};

// The automatic fields of a record, in the order they are written.
inline constexpr MessageTable kAutomaticFields[] = {
    {"Label", "Oznaka"}, {"Form", "Obrazec"}, {"Computer", "Ra&ccaron;unalnik"},
    {"Date", "Datum"},   {"Time", "Ura"},     {"Reference label", "Referen&ccaron;na oznaka"},
};

// Dates and times of the record list, in the dash codes of formatDate.
inline constexpr MessageTable kListDate{"-n -d, -Y", "-d. -m. -Y"};
inline constexpr MessageTable kListTime{"-H:-T", "-H:-T"};

}  // namespace showTexts
