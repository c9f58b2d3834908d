// The texts of the administration pages in both languages, English first and
// Slovenian second (Slovenian letters as entity names). Buttons double as the
// posted "action" values, so a page recognises its buttons by these texts.
#pragma once

#include "common/cgi/message_table.h"

namespace adminTexts {

// Login page.
inline constexpr MessageTable kLoginTitle{"Administrator Login", "Prijava administratorja"};
inline constexpr MessageTable kLoginHeading{"Initialization files",
                                            "Pregled nastavitvenih datotek"};
inline constexpr MessageTable kPasswordPrompt{"Please, enter your password", "Vnesite geslo"};

// Texts that both pages share.
inline constexpr MessageTable kGeneralSection{"General setttings", "Splo&scaron;ni podatki"};
inline constexpr MessageTable kGroupName{"Group name", "Ime skupine"};
inline constexpr MessageTable kSaveHint{
    "If you change any data in the form, press the button",
    "&Ccaron;e spremenite kak&scaron;en podatek v obrazcu, pritisnite gumb"};
inline constexpr MessageTable kReloadHint{
    "If you want to read data from the file, press the button",
    "&Ccaron;e bi radi podatke &scaron;e enkrat prebrali iz datoteke, pritisnite gumb"};
inline constexpr MessageTable kSaveChanges{"Save Changes", "Shrani spremembe"};
inline constexpr MessageTable kReloadData{"Reload Data", "Preberi podatke"};

// Settings overview.
inline constexpr MessageTable kSettingsTitle{"Settings in initialization file",
                                             "Nastavitve v inicializacijski datoteki"};
inline constexpr MessageTable kVersion{"Version", "Razli&ccaron;ica"};
inline constexpr MessageTable kAdministrator{"Administrator's e-mail",
                                             "Vzdr&zcaron;evalcev e-mail"};
inline constexpr MessageTable kMailServer{"Mail server",
                                          "Stre&zcaron;nik za elektronsko po&scaron;to"};
inline constexpr MessageTable kWwwServer{"WWW server", "Omre&zcaron;ni stre&zcaron;nik"};
inline constexpr MessageTable kGroupsSection{"Groups of Catalogs", "Skupine katalogov"};
inline constexpr MessageTable kGroupsIntro{"The registered groups of catalogs are",
                                           "Prijavljene skupine katalogov so"};
inline constexpr MessageTable kDescriptionFileName{"Description file name", "Ime opisne datoteke"};
inline constexpr MessageTable kGroupSelectHint{
    "   You can select any group from the previous list by clicking\n"
    "   the small circle in front of its name",
    "   S klikom v mali krogec pred imenom skupine lahko\n"
    "   ozna&ccaron;ite katerokoli skupino iz zgornjega seznama"};
inline constexpr MessageTable kGroupDetailsHint{
    "Detailed settings about selected group can be examined by clicking the button",
    "Podrobnej&scaron;e nastavitve izbrane skupine lahko pregledate s klikom na gumb"};
inline constexpr MessageTable kGroupRemoveHint{
    "Selected group can be removed from the list by clicking the button",
    "Ozna&ccaron;eno skupino katalogov lahko odstranite iz seznama s klikom na gumb"};
inline constexpr MessageTable kLanguageSection{"International settings", "Jezikovne nastavitve"};
inline constexpr MessageTable kLanguage{"Language", "Jezik"};
inline constexpr MessageTable kCoding{"Coding", "Kodiranje"};
inline constexpr MessageTable kCharset{"Char set", "Nabor znakov"};
inline constexpr MessageTable kCharsetDefault{"default", "nastavljena vrednost"};
inline constexpr MessageTable kHeaderSection{"Data in document headers",
                                             "Podatki v glavah dokumentov"};
inline constexpr MessageTable kAdd{"Add", "Dodaj"};
inline constexpr MessageTable kRemove{"Remove", "Odstrani"};
inline constexpr MessageTable kShowDetails{"Show Details", "Podrobnosti"};

// Group details page: general data and forms.
inline constexpr MessageTable kGroupTitle{"Details about group of catalogs",
                                          "Podrobnosti o skupini katalogov"};
inline constexpr MessageTable kInitFileName{"Initialization file name", "Ime opisne datoteke"};
inline constexpr MessageTable kShortDescription{"Short description", "Kratek opis"};
inline constexpr MessageTable kWorkingDirectory{"Working directory", "Delovno podro&ccaron;je"};
inline constexpr MessageTable kFormsSection{"Forms", "Obrazci"};
inline constexpr MessageTable kDefaultForm{"Default form name", "Ime glavnega obrazca"};
inline constexpr MessageTable kFormList{"List of registered forms", "Seznam prijavljenih obrazcev"};
inline constexpr MessageTable kFormName{"Form name", "Ime obrazca"};
inline constexpr MessageTable kFormFile{"Form file", "Datoteka z obrazcem"};
inline constexpr MessageTable kMessageFile{"Message file", "Datoteka s sporo&ccaron;ilom"};
inline constexpr MessageTable kTemplateFile{"Template file", "Vzor&ccaron;na datoteka"};
inline constexpr MessageTable kFormSelectHint{
    "   You can select any form from the previous list by\n"
    "   clicking the small circle in front of its name",
    "   S klikom v mali krogec pred imenom obrazca lahko\n"
    "   ozna&ccaron;ite katerokoli obrazec iz zgornjega seznama"};
inline constexpr MessageTable kFormRemoveHint{
    "Selected form can be removed from the list by clicking the button",
    "Ozna&ccaron;eni obrazec lahko odstranite iz seznama s klikom na gumb"};

// Catalogs and responses.
inline constexpr MessageTable kCatalogsSection{"Catalogs", "Katalogi"};
inline constexpr MessageTable kCatalogList{"List of registered catalogs",
                                           "Seznam prijavljenih katalogov"};
inline constexpr MessageTable kCatalogName{"Catalog name", "Ime kataloga"};
inline constexpr MessageTable kForms{"Forms", "Obrazci"};
inline constexpr MessageTable kCatalogFile{"Catalog file", "Datoteka"};
inline constexpr MessageTable kCatalogSelectHint{
    "   You can select any catalog from the previous list by\n"
    "   clicking the small circle in front of its name",
    "   S klikom v mali krogec pred imenom kataloga lahko\n"
    "   ozna&ccaron;ite katerikoli katalog iz zgornjega seznama"};
inline constexpr MessageTable kCatalogRemoveHint{
    "Selected catalog can be removed from the list by clicking the button",
    "Ozna&ccaron;eni katalog lahko odstranite iz seznama s klikom na gumb"};
inline constexpr MessageTable kResponsesSection{"Responses", "Odzivi"};
inline constexpr MessageTable kResponseList{"List of responses", "Seznam odzivov"};
inline constexpr MessageTable kRecipients{"Recipients", "Naslovniki"};
inline constexpr MessageTable kTemplate{"Template", "Vzorec sporo&ccaron;ila"};
inline constexpr MessageTable kCatalogs{"Catalogs", "Katalogi"};
inline constexpr MessageTable kResponseSelectHint{
    "   You can select any response from the previous list by\n"
    "   clicking the small circle in front of its description",
    "   S klikom v mali krogec pred opisom odziva lahko\n"
    "   ozna&ccaron;ite katerikoli odziv iz zgornjega seznama"};
inline constexpr MessageTable kResponseRemoveHint{
    "Selected response can be removed from the list by clicking the button",
    "Ozna&ccaron;en odziv lahko odstranite iz seznama s klikom na gumb"};

// Adding records.
inline constexpr MessageTable kInsertSection{"Adding data to the catalog",
                                             "Vstavljanje podatkov v katalog"};
inline constexpr MessageTable kRecordLayout{"Record description in catalog",
                                            "Opis zapisa v katalogu"};
inline constexpr MessageTable kItemized{
    "Data are written in one line each in format <tt>name==value</tt>, records are separated "
    "with an empty line.",
    "Podatki se zapi&scaron;ejo vsak v svojo vrstico v obliki <tt>ime==vrednost</tt>, posamezni "
    "zapisi pa so med seboj lo&ccaron;eni s prazno vrstico."};
inline constexpr MessageTable kDelimited{
    "All data are written in one line, separated with character",
    "Podatki se zapi&scaron;ejo v eno vrstico, med seboj so lo&ccaron;eni z znakom"};
inline constexpr MessageTable kListOfKeys{"List of keys", "Seznam klju&ccaron;ev"};
inline constexpr MessageTable kInsertMethod{"Method for adding new record in a catalog",
                                            "Na&ccaron;in, kako vstaviti nov zapis v katalog"};
inline constexpr MessageTable kInsertStart{"Add at beginning of a catalog",
                                           "Vstavi na za&ccaron;etek"};
inline constexpr MessageTable kInsertEnd{"Add at end of a catalog", "Vstavi na konec"};
inline constexpr MessageTable kInsertSorted{
    "Add in such a way the records will be sorted with regard to data named",
    "Vstavi tako, da bodo zapisi urejeni glede na podatek z imenom"};
inline constexpr MessageTable kSortType{"This data is", "Ta podatek je"};
inline constexpr MessageTable kAlphanumerical{"alphanumerical", "znakovni"};
inline constexpr MessageTable kNumerical{"numerical", "&scaron;tevilski"};
inline constexpr MessageTable kSortOrder{"Sort order is", "Na&ccaron;in urejanja je"};
inline constexpr MessageTable kAscending{"ascending", "nara&scaron;&ccaron;ujo&ccaron;e"};
inline constexpr MessageTable kDescending{"descending", "padajo&ccaron;e"};
inline constexpr MessageTable kOmittedFields{
    "Which of the following data will <tt><b><u>not</u></b></tt> be added into catalog",
    "Katere izmed naslednjih spremenljivk naj se <tt><b><u>ne</u></b></tt> zapi&scaron;ejo v "
    "katalog"};
inline constexpr MessageTable kLabelField{"Label", "Oznaka"};
inline constexpr MessageTable kFormIdField{"Form name", "Ime obrazca"};
inline constexpr MessageTable kComputerField{"Computer number",
                                             "&Scaron;tevilka ra&ccaron;unalnika"};
inline constexpr MessageTable kDateField{"Date", "Datum"};
inline constexpr MessageTable kTimeField{"Time", "Ura"};
inline constexpr MessageTable kRefLabelField{"Reference label", "Referen&ccaron;na oznaka"};

// Auxiliary files, labels, variables.
inline constexpr MessageTable kFilesSection{"Auxiliary files", "Pomo&zcaron;ne datoteke"};
inline constexpr MessageTable kIndexFile{"Index file", "Indeksna datoteka"};
inline constexpr MessageTable kRebuild{"rebuild", "zgradi"};
inline constexpr MessageTable kIndexNone{"Without index file", "Brez indeksne datoteke"};
inline constexpr MessageTable kIndexPrivate{"Each catalog in group has its own index file",
                                            "Vsak katalog v skupini ima svojo indeksno datoteko"};
inline constexpr MessageTable kIndexCommon{"The entire group of catalogs has common index file",
                                           "Cela skupina katalogov ima skupno indeksno datoteko"};
inline constexpr MessageTable kLogFile{"Log file", "Bele&zcaron;enje dostopov"};
inline constexpr MessageTable kLogNo{"Disable logging", "Izklju&ccaron;eno"};
inline constexpr MessageTable kLogYes{"Enable logging", "Vklju&ccaron;eno"};
inline constexpr MessageTable kLabelsSection{"Labels", "Oznake"};
inline constexpr MessageTable kLabelPrefix{"All labels start with",
                                           "Za&ccaron;etne &ccaron;rke v oznakah"};
inline constexpr MessageTable kLabelCounter{"Label counter", "&Scaron;tevec oznak"};
inline constexpr MessageTable kVarsSection{"Other variables", "Ostale spremenljivke"};
inline constexpr MessageTable kVariableList{"List of other user defined variables",
                                            "Seznam ostalih definiranih spremenljivk"};
inline constexpr MessageTable kName{"Name", "Ime"};
inline constexpr MessageTable kValue{"Value", "Vrednost"};
inline constexpr MessageTable kVariableSelectHint{
    "   You can select any variable from the previous list by\n"
    "   clicking the small circle in front of its name",
    "   S klikom v mali krogec pred imenom spremenljivke lahko\n"
    "   ozna&ccaron;ite katerokoli spremenljivko iz zgornjega seznama"};
inline constexpr MessageTable kVariableRemoveHint{
    "Selected variable can be removed from the list by clicking the button",
    "Ozna&ccaron;eno spremenljivko lahko odstranite iz seznama s klikom na gumb"};
inline constexpr MessageTable kReturnHint{
    "For viewing the settings in initialization file <b>kalder.ini</b> press",
    "Za pregled nastavitev v inicializacijski datoteki <b>kalder.ini</b> pritisnite"};
inline constexpr MessageTable kHere{"  here  ", "  tukaj  "};

// Buttons of the group page.
inline constexpr MessageTable kAddForm{"Add Form", "Dodaj obrazec"};
inline constexpr MessageTable kRemoveForm{"Remove Form", "Odstrani obrazec"};
inline constexpr MessageTable kAddCatalog{"Add Catalog", "Dodaj katalog"};
inline constexpr MessageTable kRemoveCatalog{"Remove Catalog", "Odstrani katalog"};
inline constexpr MessageTable kAddResponse{"Add Response", "Dodaj odziv"};
inline constexpr MessageTable kRemoveResponse{"Remove Response", "Odstrani odziv"};
inline constexpr MessageTable kAddVariable{"Add Variable", "Dodaj spremenljivko"};
inline constexpr MessageTable kRemoveVariable{"Remove Variable", "Odstrani spremenljivko"};

}  // namespace adminTexts
