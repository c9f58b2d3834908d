// expandTemplate: the small template language of answer pages and mail
// templates (var, include, define, macrodef/macro, if/elif/else, now, date,
// time). Text outside its tags, HTML included, is left as it is.
#pragma once

#include <string_view>

#include "common/cgi/param_list.h"
#include "common/text/list.h"
#include "common/text/text.h"

// Where variables are looked up, in order (posted fields, group variables,
// the request's variables).
using TemplateScopes = List<const ParamList*>;

struct TemplateOptions {
  // The scope that holds the visitor's posted fields: text taken from it (or
  // from the environment) is data and is never scanned for tags again.
  const ParamList* postedFields = nullptr;
  // Writes "<", ">" and the double quote of posted text as "&lt;", "&gt;",
  // "&quot;" (answer pages); mails take the posted text unchanged.
  bool escapePosted = false;
};

// Expands `text` in place. `directory` is empty or ends with "/" and is put
// before included file names. Never fails: unknown names give empty text.
void expandTemplate(Text& text, const TemplateScopes& scopes, const Text& directory,
                    int languageIndex, std::string_view dateFormat, std::string_view timeFormat,
                    const TemplateOptions& options = {});
