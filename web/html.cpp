#include "web/html.h"

#include <cstdio>

namespace korvale::web {

namespace {

constexpr const char* kStyle = R"(
body{font-family:sans-serif;margin:0;color:#222;background:#f6f7f9}
header{background:#23415a;color:#fff;padding:.5em 1em;display:flex;gap:1.5em;align-items:baseline;flex-wrap:wrap}
header a{color:#fff}
header .visitor{margin-left:auto;font-size:.9em}
main{padding:1em}
.notice{background:#fff3c4;border:1px solid #e0c060;padding:.5em 1em;margin-bottom:1em}
.error{background:#fde2e1;border:1px solid #d77;padding:.5em 1em}
table.week{border-collapse:collapse;background:#fff;width:100%;table-layout:fixed}
table.week th,table.week td{border:1px solid #ccd;vertical-align:top;padding:.25em;font-size:.85em}
table.week th.member{width:14em;text-align:left}
.member small{display:block;color:#556;font-weight:normal}
.appt{border-radius:3px;padding:.15em .3em;margin:.15em 0;background:#d9e8f7;border-left:4px solid #3b78b5}
.appt.busy{background:#e4e4e4;border-left-color:#888}
.appt.free{opacity:.6}
.appt .time{font-weight:bold;display:block}
nav.weeks{margin:.5em 0}
form.book label{display:flex;gap:.5em;align-items:flex-start;margin:.4em 0}
form.book label span{width:9em}
form.book button{margin-left:9.5em}
)";

}  // namespace

std::string Html(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string UrlEncode(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      char buffer[4];
      std::snprintf(buffer, sizeof buffer, "%%%02X", c);
      out += buffer;
    }
  }
  return out;
}

std::string RenderPage(const PageFrame& frame, const std::string& body) {
  std::string page = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" +
                     Html(frame.title) + " - Korvale</title><style>" + kStyle +
                     "</style></head><body>\n<header><strong><a href=\"/\">"
                     "Korvale calendars</a></strong>";
  for (size_t i = 0; i < frame.groups.size(); ++i) {
    page += "<a href=\"/group/" + std::to_string(i + 1) + "\">" + Html(frame.groups[i]) + "</a>";
  }
  page += "<span class=\"visitor\">" +
          (frame.visitor.empty() ? std::string("not signed in") : Html(frame.visitor)) +
          "</span></header>\n<main>";
  if (!frame.notice.empty()) page += "<p class=\"notice\" id=\"notice\">" + Html(frame.notice) + "</p>";
  page += "<h1>" + Html(frame.title) + "</h1>\n" + body + "</main></body></html>\n";
  return page;
}

}  // namespace korvale::web
