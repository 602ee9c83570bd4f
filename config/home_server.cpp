#include "config/home_server.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "adsdiscovery/ads_discovery.h"
#include "adsdiscovery/discovery_areas.h"
#include "config/krvmsx5/krv_msx5.h"
#include "platform/dynlib/shared_library.h"
#include "platform/ldap/ldap_directory.h"

namespace korvale::config {

namespace {

constexpr char kErrorTitle[] = "Error";
constexpr char kConfigErrorTitle[] = "Configuration Error";
const char* const kServersPath = "/cn=Configuration/cn=Servers/cn=";

std::string LoadFailureText(const std::string& library, const std::string& program, const std::string& note,
                            const std::string& system_text) {
  return "An error occured while trying to load a DLL\n(" + library +
         "). Please ensure that this module\nis located in the directory where you started\n" + program +
         ". Please also note that the\n" + note + "\n\nThe system returned the following error message:\n" +
         system_text;
}

std::optional<dynlib::SharedLibrary> Load(const HomeServerLookup& lookup, const std::string& library,
                                          const std::string& note, ConfigUi& ui) {
  auto loaded = dynlib::SharedLibrary::Open(lookup.program_dir + "/" + library);
  if (loaded.ok()) return std::move(*loaded);
  ui.ShowMessage(LoadFailureText(library, lookup.program_name, note, loaded.status().message()), kErrorTitle,
                 MessageIcon::kError);
  return std::nullopt;
}

std::optional<std::string> ChooseName(ConfigUi& ui, const std::string& title, const std::string& caption,
                                      const std::vector<std::string>& names) {
  auto chosen = ui.ChooseFromList(title, caption, names, 0);
  if (!chosen || *chosen >= names.size()) return std::nullopt;
  return names[*chosen];
}

std::optional<HomeServerChoice> FromDirectory(const HomeServerLookup& lookup, int version, ConfigUi& ui) {
  auto library = Load(lookup, kDiscoveryLibrary,
                      "functions contained in this DLL only run on\nDSClient enabled computers.", ui);
  if (!library) return std::nullopt;
  auto discover = library->Function<ADSGetOrgAndServersFn>("ADSGetOrgAndServers");
  if (!discover.ok()) {
    ui.ShowMessage(discover.status().message(), kErrorTitle, MessageIcon::kError);
    return std::nullopt;
  }
  std::vector<char> buffer(ads::kResultBufferSize, '\0');
  int32_t hr = 0;
  {
    WaitCursor wait(ui);
    ui.ShowProgress("Retrieving Exchange Organization and Server names. Please wait...");
    hr = (*discover)(buffer.data());
    ui.CloseProgress();
  }
  if (hr < 0) {
    ui.ShowMessage(
        "An error occured while trying to access the\nActive Directory. Please ensure that you are\nlogged "
        "in the "
        "correct domain and that your\ncomputer is DSClient enabled.\nThe system returned the following "
        "error:\n" +
            ldap::LdapErrorText(hr),
        kErrorTitle, MessageIcon::kError);
    return std::nullopt;
  }
  const ads::DiscoveredNames names = ads::ReadDiscoveryAreas(buffer.data());
  auto organisation = ui.ChooseFromList(
      "Exchange Organization", "Please select your Exchange Server Organization:", names.organisations, 0);
  if (!organisation || *organisation >= names.organisations.size()) return std::nullopt;
  const int org = static_cast<int>(*organisation);
  // Groups carry their own numbers (counted over all organisations); servers are matched by them.
  const auto groups = names.GroupsOf(org);
  std::vector<std::string> group_names;
  for (const auto& group : groups) group_names.push_back(group.second);
  auto group =
      ui.ChooseFromList("Administrative Group", "Please select your Administrative Group:", group_names, 0);
  if (!group || *group >= groups.size()) return std::nullopt;
  auto server = ChooseName(ui, "Exchange Server",
                           "Please select your Exchange Server:", names.ServersOf(org, groups[*group].first));
  if (!server) return std::nullopt;
  return HomeServerChoice{
      "/o=" + names.organisations[org] + "/ou=" + groups[*group].second + kServersPath + *server, version};
}

struct FreeBlock {
  void operator()(char* block) const { std::free(block); }
};
using Block = std::unique_ptr<char, FreeBlock>;

// The texts of an organisation block, each from the text after "/o=" when it holds one.
std::vector<std::string> OrganisationNames(const char* block) {
  std::vector<std::string> names;
  for (const char* text = block; *text; text += std::char_traits<char>::length(text) + 1) {
    std::string name(text);
    size_t o = name.find("/o=");
    names.push_back(o == std::string::npos ? name : name.substr(o + 3));
  }
  return names;
}

std::vector<std::string> SiteNames(const std::string& block) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= block.size()) {
    size_t semi = block.find(';', start);
    if (semi == std::string::npos) semi = block.size();
    if (semi > start) names.push_back(block.substr(start, semi - start));
    start = semi + 1;
  }
  return names;
}

std::optional<HomeServerChoice> FromMsx5(const HomeServerLookup& lookup, ConfigUi& ui) {
  auto server =
      ui.AskText("Exchange Server", "Please enter the name of your Exchange Server:", lookup.computer_name);
  if (!server) return std::nullopt;
  auto library =
      Load(lookup, kMsx5Library,
           "functions contained in this DLL only run on\ncomputers with Exchange Administrator V5.x\n"
           "installed.",
           ui);
  if (!library) return std::nullopt;
  auto enum_organisations = library->Function<KRVHrEnumOrganizationsFn>("KRVHrEnumOrganizations");
  auto enum_sites = library->Function<KRVHrEnumSitesFn>("KRVHrEnumSites");
  for (const Status& missing : {enum_organisations.status(), enum_sites.status()}) {
    if (!missing.ok()) {
      ui.ShowMessage(missing.message(), kErrorTitle, MessageIcon::kError);
      return std::nullopt;
    }
  }
  const std::string not_found_tail =
      " could not be found.\nPlease verify that your Exchange Server is running\nand that you have "
      "Administrator "
      "privileges.";
  char* raw = nullptr;
  int32_t hr = 0;
  {
    WaitCursor wait(ui);
    ui.ShowProgress("Retrieving Exchange Organization names. Please wait...");
    hr = (*enum_organisations)("", server->c_str(), &raw);
    ui.CloseProgress();
  }
  Block organisations(hr < 0 ? nullptr : raw);
  if (hr < 0 || !organisations) {
    ui.ShowMessage("Organization name for Exchange Server " + *server + not_found_tail, kConfigErrorTitle,
                   MessageIcon::kError);
    return std::nullopt;
  }
  auto organisation =
      ChooseName(ui, "Exchange Organization",
                 "Please select your Exchange Server Organization:", OrganisationNames(organisations.get()));
  if (!organisation) return std::nullopt;
  raw = nullptr;
  {
    WaitCursor wait(ui);
    ui.ShowProgress("Retrieving Exchange Site names. Please wait...");
    hr = (*enum_sites)(server->c_str(), organisations.get(), &raw);
    ui.CloseProgress();
  }
  Block sites(hr < 0 ? nullptr : raw);
  if (hr < 0 || !sites) {
    ui.ShowMessage("Exchange Site for Server " + *server + not_found_tail, kConfigErrorTitle,
                   MessageIcon::kError);
    return std::nullopt;
  }
  auto site = ChooseName(ui, "Exchange Site", "Please select your Exchange Site:", SiteNames(sites.get()));
  if (!site) return std::nullopt;
  return HomeServerChoice{"/o=" + *organisation + "/ou=" + *site + kServersPath + *server, 0};
}

}  // namespace

std::optional<HomeServerChoice> ChooseHomeServer(const HomeServerLookup& lookup, int current_msx2k,
                                                 ConfigUi& ui) {
  const std::vector<std::string> versions{"MS Exchange V5.x", "MS Exchange 2000/2003 with Active Directory",
                                          "MS Exchange 2007", "MS Exchange 2010"};
  const size_t current = current_msx2k >= 0 && current_msx2k <= 3 ? static_cast<size_t>(current_msx2k) : 0;
  auto version =
      ui.ChooseFromList("Microsoft Exchange Version",
                        "Please select the version of your Microsoft Exchange Server:", versions, current);
  if (!version || *version >= versions.size()) return std::nullopt;
  if (*version == 0) return FromMsx5(lookup, ui);
  return FromDirectory(lookup, static_cast<int>(*version), ui);
}

}  // namespace korvale::config
