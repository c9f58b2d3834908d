// IndexApplication: the program object of lunoder, which rebuilds the index
// files of a group from its catalog files.
#pragma once

#include <cstdio>

#include "common/catalog/catalog_files.h"
#include "common/settings/catalog_group.h"

namespace messages {
inline constexpr MessageTable kNoIndexFiles{
    "Group of catalogs <tt>%s</tt> is without index files",
    "Skupina katalogov <tt>%s</tt> je brez indeksnih datotek"};
inline constexpr MessageTable kRecordsLackData{
    "There is not enought information in catalogs to build index files.<br>Each record should "
    "contains at least data <tt>label</tt> and <tt>formid</tt>",
    "V katalogih je premalo podatkov, da bi iz tega lahko sestavil indeksno datoteko.<br>Vsak "
    "zapis bi moral imeti vsaj podatka <tt>label</tt> in <tt>formid</tt>"};
inline constexpr MessageTable kIndexBuilt{"Building index successful",
                                          "Gradnja indeksov je uspela"};
inline constexpr MessageTable kIndexedCatalogs{
    "Program has built new index files to the following catalogs from the group",
    "Program je zgradil nove indeksne datoteke naslednjim katalogom iz skupine"};
}  // namespace messages

class IndexApplication : public CatalogGroup {
 public:
  // The header waits for the admission, which may answer with a status.
  explicit IndexApplication(const RequestContext& context) : CatalogGroup(context, nullptr) {}
  IndexApplication() : IndexApplication(RequestContext::fromProcess()) {}
  // Admits the request with the administrator's password (index_login.cc),
  // then builds the indexes; a refused request gets the login page.
  void run();
  // Rebuilds the index files of the catalogs that the "form" and "catalog"
  // parameters select (every catalog without them) under the group lock, and
  // writes the page that lists them.
  void buildIndexes();

 private:
  CatalogFileList selectedCatalogs();
  void openIndex(AtomicFile& index, const Text& indexPath, const CatalogFileList& list);
  void writeCommonIndex(const CatalogFileList& list);
  void writePrivateIndex(const CatalogFile& file, const CatalogFileList& list);
  // Writes the entry of every record of the open catalog `file` to `out`, in
  // the order that storing them one by one would have given (IndexOrder).
  void writeEntries(const CatalogFile& file, std::FILE* catalog, std::FILE* out);
  void writeResultPage(const CatalogFileList& list);
};
