// HTML text: escaping of every value that goes into a page, and the page
// frame (title, menu, notice) around a body. Pages are built server-side from
// plain strings; no script, no external asset.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvale::web {

// & < > " ' as character references; every other byte as it is.
std::string Html(std::string_view text);
// A path segment or query value: everything but unreserved characters as %XX.
std::string UrlEncode(std::string_view text);

struct PageFrame {
  std::string title;
  std::string visitor;              // shown top right; empty: "not signed in"
  std::vector<std::string> groups;  // the menu
  std::string notice;               // plain text shown above the body (a cycle is publishing ...)
};

// A whole page; `body` is HTML already.
std::string RenderPage(const PageFrame& frame, const std::string& body);

}  // namespace korvale::web
