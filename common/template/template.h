// expandTemplate: the small template language of answer pages and mail
// templates (var, include, define, macrodef/macro, if/elif/else, now, date,
// time). Text outside its tags, HTML included, is left as it is.
#pragma once

#include <string_view>

#include "common/text/list.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

class RequestVariables;

// Where variables are looked up, in order (posted fields, group variables,
// the request's variables).
using TemplateScopes = List<const ParamList*>;

struct TemplateOptions {
  // The scope that holds the visitor's posted fields: text taken from it (or
  // from the request's variables) is data and is never scanned for tags again.
  const ParamList* postedFields = nullptr;
  // Writes "<", ">", the double and the single quote of posted text as
  // character references (escapeHtml: answer pages); mails take the posted
  // text unchanged.
  bool escapePosted = false;
  // Further variables whose value the visitor chose through the query string
  // (the reference label, the raw language parameter): treated like posted
  // text when they come from the scopes passed in.
  List<Text> visitorVariables = {"&reflabel", "&languageparam"};
  // The request's CGI variables, which "&NAME" falls back to ("&HTTP_HOST");
  // their text is the visitor's too. None: no fallback.
  const RequestVariables* requestVariables = nullptr;
  // Bounds on expansion, so that a variable holding its own var tag, a macro
  // calling itself or a file including itself ends: the number of texts put
  // back for scanning, the number of files included, and the bytes the text
  // may grow by. When one is reached the rest of the text stays as it is.
  long maxExpansions = 100000;
  long maxIncludes = 1000;
  long maxGrowth = 16L << 20;
  // And the bytes that searches ahead for closing and branch tags may look at,
  // and conditions and dates may join or compare, in all: text put back in
  // front of a large rest holding many unclosed constructs, or a name defined
  // over and over and tested each time, would otherwise cost time that grows
  // with the square of the text's size.
  long maxScanned = 1L << 26;
};

// Expands `text` in place. `directory` is empty or ends with "/" and is put
// before included file names. Never fails: unknown names give empty text.
// Text that comes from the visitor (posted fields, visitor variables, the
// environment) is data: it is never scanned for tags and never unescaped,
// and with escapePosted its markup characters are escaped.
void expandTemplate(Text& text, const TemplateScopes& scopes, const Text& directory,
                    int languageIndex, std::string_view dateFormat, std::string_view timeFormat,
                    const TemplateOptions& options = {});
