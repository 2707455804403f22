#include "engine/report/html_preview.h"

#include <algorithm>
#include <vector>

namespace tallyscan {
namespace {

constexpr std::string_view kEndOfLine = "\r\n";

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool NameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The elements a cut closes. Void elements (br, meta) and those the report never leaves open
// around rows (title, th's captions) need nothing.
bool Closable(std::string_view name) {
  static constexpr std::string_view kNames[] = {"html", "body", "div",  "table", "tr", "td",
                                                "th",   "font", "span", "b",     "i",  "u"};
  return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

bool InRow(std::string_view name) { return name == "td" || name == "th"; }

// Where `</name` begins at or after `from`, in any case; npos when it does not.
std::size_t EndTagOf(std::string_view html, std::string_view name, std::size_t from) {
  for (std::size_t at = html.find("</", from); at != std::string_view::npos;
       at = html.find("</", at + 2)) {
    const std::string_view rest = html.substr(at + 2);
    if (rest.size() < name.size()) return std::string_view::npos;
    bool same = true;
    for (std::size_t i = 0; i < name.size() && same; ++i) same = Lower(rest[i]) == name[i];
    if (same) return at;
  }
  return std::string_view::npos;
}

class OpenElements {
 public:
  void Start(const std::string& name) {
    // A cell or a row ends where the next one begins, as HTML lets a document leave their end
    // tags out.
    if (InRow(name)) PopWhile([](std::string_view top) { return InRow(top); });
    if (name == "tr") PopWhile([](std::string_view top) { return InRow(top) || top == "tr"; });
    if (Closable(name)) open_.push_back(name);
  }

  // Ends the innermost `name`; a cell or a row never ends beyond its own table.
  void End(std::string_view name) {
    if (!Closable(name)) return;
    for (std::size_t i = open_.size(); i-- > 0;) {
      if (open_[i] == name) {
        open_.resize(i);
        return;
      }
      if ((InRow(name) || name == "tr") && open_[i] == "table") return;
    }
  }

  void CloseAll(std::string& out) {
    for (std::size_t i = open_.size(); i-- > 0;) {
      out += "</" + open_[i] + ">";
      out += kEndOfLine;
    }
    open_.clear();
  }

 private:
  template <typename Predicate>
  void PopWhile(Predicate predicate) {
    while (!open_.empty() && predicate(open_.back())) open_.pop_back();
  }

  std::vector<std::string> open_;
};

}  // namespace

HtmlPreview PreviewOfHtml(std::string_view html, std::int64_t max_rows) {
  OpenElements open;
  std::int64_t rows = 0;
  std::size_t at = 0;
  while ((at = html.find('<', at)) != std::string_view::npos) {
    if (html.substr(at).starts_with("<!--")) {
      const std::size_t end = html.find("-->", at + 4);
      if (end == std::string_view::npos) break;
      at = end + 3;
      continue;
    }
    const std::size_t end = html.find('>', at);
    if (end == std::string_view::npos) break;
    const std::size_t tag = at;
    std::size_t p = at + 1;
    const bool closing = p < end && html[p] == '/';
    if (closing) ++p;
    std::string name;
    for (; p < end && NameChar(html[p]); ++p) name.push_back(Lower(html[p]));
    at = end + 1;
    if (name.empty()) continue;
    if (closing) {
      open.End(name);
      continue;
    }
    if (name == "tr" && ++rows > max_rows) {
      HtmlPreview preview{std::string(html.substr(0, tag)), true};
      open.CloseAll(preview.html);
      return preview;
    }
    // Their texts are not markup, whatever they hold.
    if (name == "style" || name == "script" || name == "title") {
      const std::size_t text_end = EndTagOf(html, name, at);
      if (text_end == std::string_view::npos) break;
      at = text_end;
      continue;
    }
    open.Start(name);
  }
  return {std::string(html), false};
}

}  // namespace tallyscan
