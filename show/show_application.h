// ShowApplication: the program object of show, the record viewer and
// exporter that the notification mails link to. It admits a request with the
// stored password (common/access/admin_access.h) and answers with the login
// page, the group's catalogs, one catalog's records page by page, one record,
// a catalog as CSV, one person's data (person_page.h), or the audit log.
#pragma once

#include <utility>

#include "common/catalog/catalog_files.h"
#include "common/settings/catalog_group.h"

// What a page links to: the parameters of another request to the viewer.
struct ViewTarget {
  Text label;
  Text catalog;
  long page = 0;  // 0: no page parameter
  bool csv = false;
  bool erase = false;    // the record's deletion page
  bool audit = false;    // the audit log's page, with or without a group
  bool metrics = false;  // the metrics page, for every group
};

class ShowApplication : public CatalogGroup {
 public:
  // Labels and catalog names longer than this are refused before any lookup.
  static constexpr long kMaxNameLength = 200;
  // Records on one page of a catalog's list.
  static constexpr long kPageSize = 50;

  explicit ShowApplication(const RequestContext& context) : CatalogGroup(context, nullptr) {}
  ShowApplication() : ShowApplication(RequestContext::fromProcess()) {}
  void run();

  // The request's own parameters, from the query string only.
  ViewTarget requested() const;
  // The action URL of a form that asks for `target`, for an attribute.
  Markup actionUrl(const ViewTarget& target) const;
  // A one-button form that posts the password on to `target`. The caption
  // is written as print writes an argument: a message as it is, a label or a
  // name escaped (entity names convert).
  template <typename Caption>
  Markup button(const ViewTarget& target, const Caption& caption) const {
    return passwordButton(actionUrl(target), Markup::format("%s", caption));
  }
  // The one-button form every action of the viewer is: the password and the
  // `hidden` fields posted on to `action` (a URL for an attribute).
  Markup passwordButton(const Markup& action, const Markup& caption,
                        const List<std::pair<const char*, Text>>& hidden = {}) const;
  // Writes an HTML page: header, head with `title`, `body`.
  void writePage(const Markup& title, const Markup& body);
  // The header of an HTML page (once; later calls write nothing).
  void writeHtmlHeader();
  // Resolves the catalog names of this group.
  CatalogResolver catalogFiles() { return CatalogResolver(group, today, *this); }

 private:
  void answer(const ViewTarget& target);
};

// The first `limit` bytes of `text` for a message, "..." marking a cut.
Text shortened(std::string_view text, size_t limit);
