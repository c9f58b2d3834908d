// Finding a form page's fields with Gumbo and splicing the changes in.
#include "insert/refilled_form.h"

#include <gumbo.h>

#include <algorithm>
#include <cctype>

#include "common/language/entities.h"

namespace {

// One change to the page: `remove` bytes at `at` replaced by `insert`.
struct Edit {
  size_t at;
  size_t remove;
  Text insert;
};

class Refiller {
 public:
  Refiller(std::string_view page, const RefillRequest& request) : page_(page), request_(request) {}

  Text run(GumboNode* root) {
    collect(root);
    markTitleAndBase();
    for (GumboNode* control : controls_) refill(control);
    markErrors();
    addSummary();
    return applied();
  }

 private:
  // Offsets of parts of the page that the parser points into.
  size_t offsetOf(const char* data) const { return size_t(data - page_.data()); }
  bool explicitTag(const GumboElement& element) const {
    return element.original_tag.length > 0 && element.original_tag.data >= page_.data() &&
           element.original_tag.data + element.original_tag.length <= page_.data() + page_.size();
  }
  size_t startTagEnd(const GumboElement& element) const {
    return offsetOf(element.original_tag.data) + element.original_tag.length;
  }
  // Right after "<input": new attributes go there, where neither an
  // unquoted value nor a "/" before ">" can be split.
  size_t afterTagName(const GumboElement& element) const {
    size_t at = offsetOf(element.original_tag.data) + 1;
    while (at < page_.size() && (std::isalnum(static_cast<unsigned char>(page_[at])) ||
                                 page_[at] == '-' || page_[at] == ':'))
      ++at;
    return at;
  }
  bool hasEndTag(const GumboElement& element) const { return element.original_end_tag.length > 0; }
  size_t endTagStart(const GumboElement& element) const {
    return offsetOf(element.original_end_tag.data);
  }

  // An attribute's value as the page means it: its own bytes when they hold
  // no reference (a page in another charset than UTF-8 keeps them), else
  // the parser's reading.
  Text attribute(const GumboElement& element, const char* name) const {
    GumboAttribute* found = gumbo_get_attribute(&element.attributes, name);
    if (!found) return Text();
    std::string_view raw(found->original_value.data, found->original_value.length);
    if (!raw.empty() && (raw.front() == '"' || raw.front() == '\'') && raw.size() >= 2)
      raw = raw.substr(1, raw.size() - 2);
    if (raw.find('&') == std::string_view::npos) return Text(raw);
    return Text(found->value);
  }
  bool hasAttribute(const GumboElement& element, const char* name) const {
    return gumbo_get_attribute(&element.attributes, name) != nullptr;
  }
  // Replaces the attribute `name` (with its value) by `replacement`, or
  // adds it when the element has none; an empty replacement removes it.
  void setAttribute(const GumboElement& element, const char* name, const Text& replacement) {
    GumboAttribute* found = gumbo_get_attribute(&element.attributes, name);
    if (!found) {
      if (!replacement.empty()) edits_.push_back({afterTagName(element), 0, " " + replacement});
      return;
    }
    const char* begin = found->original_name.data;
    const char* end = found->original_value.length > 0
                          ? found->original_value.data + found->original_value.length
                          : found->original_name.data + found->original_name.length;
    if (begin < page_.data() || end > page_.data() + page_.size() || begin >= end) return;
    edits_.push_back({offsetOf(begin), size_t(end - begin), replacement});
  }

  void collect(GumboNode* root) {
    List<GumboNode*> stack{root};
    while (!stack.empty()) {
      GumboNode* node = stack.back();
      stack.pop_back();
      // A template's content is inert, comments and scripts are text.
      if (node->type != GUMBO_NODE_ELEMENT) continue;
      GumboElement& element = node->v.element;
      switch (element.tag) {
        case GUMBO_TAG_TITLE:
          if (!title_) title_ = node;
          break;
        case GUMBO_TAG_HEAD: head_ = node; break;
        case GUMBO_TAG_BODY: body_ = node; break;
        case GUMBO_TAG_H1:
          if (!heading_ && explicitTag(element)) heading_ = node;
          break;
        case GUMBO_TAG_BASE: hasBase_ = true; break;
        case GUMBO_TAG_INPUT:
        case GUMBO_TAG_TEXTAREA:
        case GUMBO_TAG_SELECT:
          if (explicitTag(element)) controls_.push_back(node);
          break;
        default: break;
      }
      GumboVector& children = element.children;
      for (unsigned i = children.length; i > 0; --i)
        stack.push_back(static_cast<GumboNode*>(children.data[i - 1]));
    }
  }

  Text controlName(const GumboElement& element) const { return attribute(element, "name"); }
  Text inputType(const GumboElement& element) const {
    Text type = attribute(element, "type");
    type.toLower();
    return type.empty() ? Text("text") : type;
  }
  // Controls whose value comes from the visitor and goes back to them.
  bool refillable(const GumboElement& element) const {
    Text name = controlName(element);
    if (name.empty() || (!request_.honeypot.empty() && name.equalsIgnoreCase(request_.honeypot)))
      return false;
    if (element.tag != GUMBO_TAG_INPUT) return true;
    Text type = inputType(element);
    for (const char* never : {"file", "password", "hidden", "submit", "button", "image", "reset"})
      if (type == never) return false;
    return true;
  }

  void refill(GumboNode* node) {
    const GumboElement& element = node->v.element;
    if (!refillable(element)) return;
    const Param* posted = request_.fields->find(controlName(element));
    if (element.tag == GUMBO_TAG_SELECT) {
      if (posted) refillOptions(node, *posted);
      return;
    }
    if (element.tag == GUMBO_TAG_TEXTAREA) {
      if (!posted || !hasEndTag(element)) return;
      size_t from = startTagEnd(element), to = endTagStart(element);
      if (to < from) return;
      // A line feed right after the start tag is not part of the value.
      Text content = posted->value.startsWith("\n") ? Text("\n") : Text();
      edits_.push_back({from, to - from, content + formValue(posted->value).text()});
      return;
    }
    Text type = inputType(element);
    if (type == "checkbox" || type == "radio") {
      Text value = hasAttribute(element, "value") ? attribute(element, "value") : Text("on");
      bool chosen = posted && postedHolds(*posted, value);
      if (chosen != hasAttribute(element, "checked"))
        setAttribute(element, "checked", chosen ? Text("checked") : Text());
      return;
    }
    if (posted) setAttribute(element, "value", "value=\"" + formValue(posted->value).text() + "\"");
  }

  static bool postedHolds(const Param& posted, const Text& value) {
    if (posted.value == value) return true;
    for (const Text& more : posted.further)
      if (more == value) return true;
    return false;
  }

  void refillOptions(GumboNode* select, const Param& posted) {
    List<GumboNode*> stack{select};
    while (!stack.empty()) {
      GumboNode* node = stack.back();
      stack.pop_back();
      if (node->type != GUMBO_NODE_ELEMENT) continue;
      const GumboElement& element = node->v.element;
      if (element.tag == GUMBO_TAG_OPTION && explicitTag(element)) {
        Text value =
            hasAttribute(element, "value") ? attribute(element, "value") : optionText(node);
        bool chosen = postedHolds(posted, value);
        if (chosen != hasAttribute(element, "selected"))
          setAttribute(element, "selected", chosen ? Text("selected") : Text());
        continue;
      }
      for (unsigned i = 0; i < element.children.length; ++i)
        stack.push_back(static_cast<GumboNode*>(element.children.data[i]));
    }
  }

  // An option without a value attribute posts its text, blanks collapsed.
  static Text optionText(GumboNode* option) {
    Text text;
    const GumboVector& children = option->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
      const GumboNode* child = static_cast<GumboNode*>(children.data[i]);
      if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE)
        text += child->v.text.text;
    }
    Text collapsed;
    bool blank = false;
    for (char c : text.view()) {
      bool isBlank = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
      if (isBlank) {
        blank = !collapsed.empty();
        continue;
      }
      if (blank) collapsed += " ";
      blank = false;
      collapsed += std::string_view(&c, 1);
    }
    return collapsed;
  }

  void markTitleAndBase() {
    if (title_ && explicitTag(title_->v.element))
      edits_.push_back({startTagEnd(title_->v.element), 0, request_.titlePrefix.text()});
    if (hasBase_ || request_.baseAddress.empty()) return;
    Text base = "<base href=\"" + exactValue(request_.baseAddress).text() + "\">";
    if (head_ && explicitTag(head_->v.element)) {
      edits_.push_back({startTagEnd(head_->v.element), 0, base});
    } else if (title_ && explicitTag(title_->v.element)) {
      edits_.push_back({offsetOf(title_->v.element.original_tag.data), 0, base});
    }
  }

  // Each control of a field with an error: aria-invalid, its message tied
  // by aria-describedby and written after the field's last control; the
  // first control gets the id the summary links to.
  void markErrors() {
    const List<FieldError>& errors = *request_.errors;
    for (size_t i = 0; i < errors.size(); ++i) {
      Text messageId = Text::format("kalder-error-%d", int(i + 1));
      GumboNode* last = nullptr;
      for (GumboNode* node : controls_) {
        const GumboElement& element = node->v.element;
        if (!controlName(element).equalsIgnoreCase(errors[i].field)) continue;
        if (element.tag == GUMBO_TAG_INPUT && inputType(element) == "hidden") continue;
        if (!last) anchors_.push_back({offsetOf(element.original_tag.data), i, idFor(element, i)});
        setAttribute(element, "aria-invalid", Text("aria-invalid=\"true\""));
        Text described = attribute(element, "aria-describedby");
        described += described.empty() ? messageId : " " + messageId;
        setAttribute(element, "aria-describedby",
                     "aria-describedby=\"" + exactValue(described).text() + "\"");
        last = node;
      }
      if (!last) continue;
      const GumboElement& element = last->v.element;
      size_t after = hasEndTag(element) ? endTagStart(element) + element.original_end_tag.length
                                        : startTagEnd(element);
      edits_.push_back({after, 0,
                        " <span id=\"" + messageId + "\" class=\"kalder-error\">" +
                            errors[i].message.text() + "</span>"});
    }
  }

  Text idFor(const GumboElement& element, size_t errorIndex) {
    Text id = attribute(element, "id");
    if (!id.empty()) return id;
    id = Text::format("kalder-field-%d", int(errorIndex + 1));
    setAttribute(element, "id", "id=\"" + id + "\"");
    return id;
  }

  // Where an error's field is, as the summary links to it.
  struct Anchor {
    size_t offset;
    size_t error;
    Text id;
  };

  // Focus moves to the summary by the script; without script (a site's
  // policy may forbid inline scripts) its alert role still has it read out.
  // The errors follow their fields' order in the page, those of fields the
  // page lacks after them.
  void addSummary() {
    const List<FieldError>& errors = *request_.errors;
    Text summary =
        "<div id=\"kalder-errors\" class=\"kalder-errors\" role=\"alert\" tabindex=\"-1\" "
        "aria-labelledby=\"kalder-errors-heading\">\n<h2 id=\"kalder-errors-heading\">" +
        request_.heading.text() + "</h2>\n<ul>\n";
    std::stable_sort(anchors_.begin(), anchors_.end(),
                     [](const Anchor& a, const Anchor& b) { return a.offset < b.offset; });
    List<bool> linked(errors.size(), false);
    for (const Anchor& anchor : anchors_) {
      linked[anchor.error] = true;
      summary += "<li><a href=\"#" + exactValue(anchor.id).text() + "\">" +
                 errors[anchor.error].message.text() + "</a></li>\n";
    }
    for (size_t i = 0; i < errors.size(); ++i)
      if (!linked[i]) summary += "<li>" + errors[i].message.text() + "</li>\n";
    summary +=
        "</ul>\n</div>\n<script>document.getElementById(\"kalder-errors\").focus();</script>\n";
    edits_.push_back({summaryPlace(), 0, summary});
  }

  // After the page's main heading when it comes before the fields, so that
  // the summary's own heading (a second level) keeps the headings in order;
  // else at the start of the body.
  size_t summaryPlace() const {
    if (heading_ && hasEndTag(heading_->v.element)) {
      const GumboElement& heading = heading_->v.element;
      size_t after = endTagStart(heading) + heading.original_end_tag.length;
      if (controls_.empty() || after <= offsetOf(controls_.front()->v.element.original_tag.data))
        return after;
    }
    if (body_ && explicitTag(body_->v.element)) return startTagEnd(body_->v.element);
    if (body_) {
      const GumboVector& children = body_->v.element.children;
      for (unsigned i = 0; i < children.length; ++i) {
        const GumboNode* child = static_cast<GumboNode*>(children.data[i]);
        if (child->type == GUMBO_NODE_ELEMENT && explicitTag(child->v.element))
          return offsetOf(child->v.element.original_tag.data);
      }
    }
    return page_.size();
  }

  // The edits in the page's order; one that overlaps an earlier one is
  // dropped (the parser may point two elements at one tag).
  Text applied() {
    std::stable_sort(edits_.begin(), edits_.end(),
                     [](const Edit& a, const Edit& b) { return a.at < b.at; });
    Text out;
    size_t copied = 0;
    for (const Edit& edit : edits_) {
      if (edit.at < copied || edit.at + edit.remove > page_.size()) continue;
      out += page_.substr(copied, edit.at - copied);
      out += edit.insert;
      copied = edit.at + edit.remove;
    }
    out += page_.substr(copied);
    return out;
  }

  std::string_view page_;
  const RefillRequest& request_;
  List<Edit> edits_;
  List<GumboNode*> controls_;
  List<Anchor> anchors_;
  GumboNode* title_ = nullptr;
  GumboNode* head_ = nullptr;
  GumboNode* body_ = nullptr;
  GumboNode* heading_ = nullptr;  // the first h1
  bool hasBase_ = false;
};

}  // namespace

Markup formValue(std::string_view value) {
  Text out;
  for (size_t i = 0; i < value.size(); ++i) {
    switch (value[i]) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      case '&': {
        int length = 0;
        out += entityCodePoint(value.substr(i), &length) > 0 ? "&" : "&amp;";
        break;
      }
      default: out += value.substr(i, 1);
    }
  }
  return Markup(out.view());
}

bool refillForm(std::string_view page, const RefillRequest& request, Text& out) {
  if (page.size() > kMaxRefilledPage ||
      size_t(std::count(page.begin(), page.end(), '<')) > kMaxRefilledTags)
    return false;
  GumboOptions options = kGumboDefaultOptions;
  options.max_errors = 0;
  GumboOutput* output = gumbo_parse_with_options(&options, page.data(), page.size());
  out = Refiller(page, request).run(output->root);
  gumbo_destroy_output(&options, output);
  return true;
}
