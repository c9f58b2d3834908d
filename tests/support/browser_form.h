// BrowserForm: what a browser makes of one form of an HTML page. It reads the
// form's controls in page order, lets a test change them as a user would,
// and builds the application/x-www-form-urlencoded body that a browser posts
// when one of the form's buttons is pressed. Header-only, for the end-to-end
// tests of the administration pages.
#pragma once

#include <cctype>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

class BrowserForm {
 public:
  struct Control {
    std::string kind;  // text, hidden, password, radio, checkbox, submit, textarea
    std::string name;
    std::string value;
    bool checked = false;
  };

  // The `index`-th form of `page` (0 for the first).
  explicit BrowserForm(const std::string& page, int index = 0) {
    size_t start = 0;
    for (int i = 0; i <= index; ++i) {
      start = page.find("<form", i == 0 ? 0 : start + 1);
      if (start == std::string::npos) throw std::runtime_error("no such form");
    }
    size_t end = page.find("</form>", start);
    if (end == std::string::npos) throw std::runtime_error("form without end");
    parse(page.substr(start, end - start));
  }

  const std::string& action() const { return action_; }
  const std::vector<Control>& controls() const { return controls_; }

  // Types into a text, hidden, password field or a textarea.
  void set(const std::string& name, const std::string& value) { field(name).value = value; }
  std::string value(const std::string& name) { return field(name).value; }
  bool has(const std::string& name) const {
    for (const Control& c : controls_)
      if (c.name == name) return true;
    return false;
  }
  // Selects the radio button of `name` with `value`, or ticks a checkbox.
  void check(const std::string& name, const std::string& value) {
    bool found = false;
    for (Control& c : controls_) {
      if (c.name != name || (c.kind != "radio" && c.kind != "checkbox")) continue;
      if (c.kind == "radio") c.checked = c.value == value;
      if (c.value == value) c.checked = found = true;
    }
    if (!found) throw std::runtime_error("no choice " + name + "=" + value);
  }
  void uncheck(const std::string& name) {
    for (Control& c : controls_)
      if (c.name == name) c.checked = false;
  }
  // The value of the selected radio button of `name`, empty when none is.
  std::string checkedValue(const std::string& name) const {
    for (const Control& c : controls_)
      if (c.name == name && c.checked) return c.value;
    return "";
  }

  // The body posted when the submit button showing `button` is pressed (an
  // empty text: the form is submitted without a button, as by Enter in a
  // form whose buttons all have names).
  std::string submit(const std::string& button = "") const {
    std::string body;
    bool pressed = false;
    for (const Control& c : controls_) {
      if (c.kind == "submit") {
        if (pressed || button.empty() || c.value != button) continue;
        pressed = true;  // a button without a name is pressed but posts nothing
      } else if ((c.kind == "radio" || c.kind == "checkbox") && !c.checked) {
        continue;
      }
      if (c.name.empty()) continue;
      std::string value = c.kind == "textarea" ? crlf(c.value) : c.value;
      if (!body.empty()) body += '&';
      body += encode(c.name) + "=" + encode(value);
    }
    if (!button.empty() && !pressed) throw std::runtime_error("no button " + button);
    return body;
  }

  // application/x-www-form-urlencoded, as browsers write it.
  static std::string encode(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : text) {
      auto c = static_cast<unsigned char>(ch);
      if (std::isalnum(c) || c == '*' || c == '-' || c == '.' || c == '_') {
        out += ch;
      } else if (c == ' ') {
        out += '+';
      } else {
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 15];
      }
    }
    return out;
  }

 private:
  Control& field(const std::string& name) {
    for (Control& c : controls_)
      if (c.name == name && c.kind != "radio" && c.kind != "checkbox" && c.kind != "submit")
        return c;
    throw std::runtime_error("no field " + name);
  }

  // Browsers post textarea line ends as CR LF.
  static std::string crlf(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
      if (text[i] == '\n' || text[i] == '\r') {
        out += "\r\n";
      } else {
        out += text[i];
      }
    }
    return out;
  }

  static std::string decodeReferences(const std::string& text) {
    static const char* const kReferences[][2] = {
        {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
      bool replaced = false;
      for (const auto& ref : kReferences) {
        std::string name = ref[0];
        if (text.compare(i, name.size(), name) == 0) {
          out += ref[1];
          i += name.size();
          replaced = true;
          break;
        }
      }
      if (!replaced) out += text[i++];
    }
    return out;
  }

  struct Tag {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string get(const std::string& key) const {
      for (const auto& [k, v] : attributes)
        if (k == key) return v;
      return "";
    }
    bool hasAttribute(const std::string& key) const {
      for (const auto& [k, v] : attributes)
        if (k == key) return true;
      return false;
    }
  };

  // Reads the tag that starts at `at` ("<"); `at` ends after its ">".
  static Tag readTag(const std::string& html, size_t& at) {
    Tag tag;
    size_t i = at + 1;
    auto space = [&](size_t k) {
      return k < html.size() && std::isspace(static_cast<unsigned char>(html[k]));
    };
    while (i < html.size() && !space(i) && html[i] != '>')
      tag.name += static_cast<char>(std::tolower(html[i++]));
    while (i < html.size() && html[i] != '>') {
      while (space(i)) ++i;
      std::string key;
      while (i < html.size() && !space(i) && html[i] != '=' && html[i] != '>')
        key += static_cast<char>(std::tolower(html[i++]));
      std::string value;
      if (i < html.size() && html[i] == '=') {
        ++i;
        if (html[i] == '"' || html[i] == '\'') {
          char quote = html[i++];
          while (i < html.size() && html[i] != quote) value += html[i++];
          ++i;
        } else {
          while (i < html.size() && !space(i) && html[i] != '>') value += html[i++];
        }
      }
      if (!key.empty()) tag.attributes.emplace_back(key, decodeReferences(value));
    }
    at = i + 1;
    return tag;
  }

  void parse(const std::string& html) {
    size_t at = 0;
    while ((at = html.find('<', at)) != std::string::npos) {
      Tag tag = readTag(html, at);
      if (tag.name == "form") action_ = tag.get("action");
      if (tag.name == "input") addInput(tag);
      if (tag.name == "textarea") {
        size_t end = html.find("</textarea>", at);
        std::string content = html.substr(at, end - at);
        if (!content.empty() && content[0] == '\n') content.erase(0, 1);  // as HTML parsers do
        controls_.push_back({"textarea", tag.get("name"), decodeReferences(content), false});
        at = end;
      }
    }
  }

  void addInput(const Tag& tag) {
    Control c;
    c.kind = tag.hasAttribute("type") ? tag.get("type") : "text";
    c.name = tag.get("name");
    c.value = tag.get("value");
    if ((c.kind == "checkbox" || c.kind == "radio") && !tag.hasAttribute("value")) c.value = "on";
    c.checked = tag.hasAttribute("checked");
    controls_.push_back(c);
  }

  std::string action_;
  std::vector<Control> controls_;
};
