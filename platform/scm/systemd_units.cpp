#include "platform/scm/systemd_units.h"

#include <cctype>
#include <cstdio>

#include "platform/scm/service_account.h"

namespace korvale::scm {

namespace {

constexpr std::string_view kSuffix = ".service";
constexpr size_t kMaxUnitName = 255;  // systemd's limit, suffix included

bool KeptAsIs(char c, bool first) {
  if (first && c == '.') return false;  // a leading dot would hide the unit file
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == ':' || c == '_' || c == '.' || c == '-';
}

// "\xNN", as systemd writes a character it cannot keep.
std::string HexEscape(char c) {
  char escaped[5];
  std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(c));
  return escaped;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One word of a command line inside double quotes: systemd undoes C escapes
// there, expands "%" specifiers everywhere and "$" variables in arguments.
std::string QuotedWord(const std::string& word, bool is_argument) {
  std::string out = "\"";
  for (char c : word) {
    if (std::iscntrl(static_cast<unsigned char>(c))) {  // a line break would end the line
      out += HexEscape(c);
      continue;
    }
    if (c == '\\' || c == '"') out += '\\';
    if (c == '%') out += '%';
    if (c == '$' && is_argument) out += '$';
    out += c;
  }
  return out + "\"";
}

// The description is shown by systemctl only; it must stay on its line.
std::string DescriptionOf(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '%') out += '%';
    out += c;
  }
  while (!out.empty() && (out.back() == '\\' || std::isspace(static_cast<unsigned char>(out.back())))) {
    out.pop_back();
  }
  return out;
}

}  // namespace

std::optional<std::string> UnitNameOf(const std::string& service_name) {
  if (service_name.empty()) return std::nullopt;
  std::string unit;
  for (size_t i = 0; i < service_name.size(); ++i) {
    const char c = service_name[i];
    if (c == '\n' || c == '\r' || c == '\0') return std::nullopt;
    unit += KeptAsIs(c, i == 0) ? std::string(1, c) : HexEscape(c);
  }
  unit += kSuffix;
  if (unit.size() > kMaxUnitName) return std::nullopt;
  return unit;
}

std::string ServiceNameOf(const std::string& unit_name) {
  std::string_view unit = unit_name;
  if (unit.ends_with(kSuffix)) unit.remove_suffix(kSuffix.size());
  std::string name;
  for (size_t i = 0; i < unit.size(); ++i) {
    if (unit[i] == '\\' && i + 3 < unit.size() && unit[i + 1] == 'x' && HexValue(unit[i + 2]) >= 0 &&
        HexValue(unit[i + 3]) >= 0) {
      name += static_cast<char>(HexValue(unit[i + 2]) * 16 + HexValue(unit[i + 3]));
      i += 3;
    } else {
      name += unit[i];
    }
  }
  return name;
}

std::string UnitFileText(const ServiceDefinition& definition) {
  std::string exec = QuotedWord(definition.image_path, false);
  for (const std::string& argument : definition.arguments) exec += " " + QuotedWord(argument, true);
  const auto user = definition.account.empty() ? std::nullopt : ServiceAccountUser(definition.account);
  return "[Unit]\n"
         "Description=" +
         DescriptionOf(definition.name) +
         "\n"
         "After=network-online.target\n\n"
         "[Service]\n"
         "Type=exec\n"
         "ExecStart=" +
         exec + "\n" + (user ? "User=" + *user + "\n" : std::string()) +
         "KillMode=mixed\n"
         "TimeoutStopSec=infinity\n\n"
         "[Install]\n"
         "WantedBy=multi-user.target\n";
}

}  // namespace korvale::scm
