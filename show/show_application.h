// ShowApplication: the program object of show, the record viewer and
// exporter that the notification mails link to. It admits a request with the
// stored password (common/settings/admin_access.h) and answers with the login
// page, the group's catalogs, one catalog's records page by page, one record,
// or a catalog as CSV.
#pragma once

#include "common/catalog/catalog_files.h"
#include "common/settings/catalog_group.h"

// What a page links to: the parameters of another request to the viewer.
struct ViewTarget {
  Text label;
  Text catalog;
  long page = 0;  // 0: no page parameter
  bool csv = false;
};

class ShowApplication : public CatalogGroup {
 public:
  // Labels and catalog names longer than this are refused before any lookup.
  static constexpr long kMaxNameLength = 200;
  // Records on one page of a catalog's list.
  static constexpr long kPageSize = 50;

  ShowApplication() : CatalogGroup(nullptr) {}
  void run();

  // The request's own parameters, from the query string only.
  ViewTarget requested() const;
  // The action URL of a form that asks for `target`, escaped for an attribute.
  Text actionUrl(const ViewTarget& target) const;
  // A one-button form that posts the password on to `target`; the caption is
  // page text (entity names convert).
  Text button(const ViewTarget& target, std::string_view caption) const;
  // Writes an HTML page: header, head with `title` (page text), `body`.
  void writePage(const Text& title, const Text& body);
  // The header of an HTML page (once; later calls write nothing).
  void writeHtmlHeader();
  // Resolves the catalog names of this group.
  CatalogResolver catalogFiles() { return CatalogResolver(group, today, *this); }

 private:
  void answer(const ViewTarget& target);
};

// A value as an attribute must hold it to come back byte for byte: "&", "<",
// ">" and the double quote become character references, so neither the
// browser nor the page's coding conversion changes it.
Text exactAttribute(std::string_view value);
// The first `limit` bytes of `text` for a message, "..." marking a cut.
Text shortened(std::string_view text, size_t limit);
