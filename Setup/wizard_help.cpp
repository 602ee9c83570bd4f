// The help topics of the wizard's pages and the licence agreement's file.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>

#include "Setup/wizard_rules.h"

namespace korvale::setup {

const char* HelpTopic(std::optional<WizardPage> page) {
  if (!page) return "welcome_to_korvale.htm";
  switch (*page) {
    case WizardPage::kInstallFiles: return "file_installation.htm";
    case WizardPage::kFolder: return "installation_folder.htm";
    case WizardPage::kWelcome: return "welcome.htm";
    case WizardPage::kDatasource: return "access_datasource_setup.htm";
    case WizardPage::kServiceAccount: return "specifying_the_exchange_service_.htm";
    case WizardPage::kExchangeServer: return "specifying_the_exchange_director.htm";
    case WizardPage::kCodepage: return "codepage.htm";
    case WizardPage::kLogonMailbox: return "Logon_Mailbox.htm";
    case WizardPage::kVirtualDirectory: return "setting_up_a_virtual_directory_o.htm";
  }
  return "welcome_to_korvale.htm";
}

void SetupWizard::ShowHelp(std::optional<WizardPage> page) {
  std::filesystem::path topic = std::filesystem::path(environment_.setup_dir) / kHelpFolder / HelpTopic(page);
  std::error_code error;
  std::string failure;
  // The browser opens a missing file without complaint; say so here instead.
  if (!std::filesystem::is_regular_file(topic, error)) {
    failure = "The help topic " + topic.string() + " cannot be found.";
  } else {
    failure = ui_.OpenDocument(topic.string());
  }
  if (!failure.empty()) ui_.ShowMessage(failure, "Help Error", MessageIcon::kError);
}

LicenceText ReadLicence(const std::string& path) {
  // C streams tell a read error from the end of the file; a folder opens and fails here.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return {"", "Fehler beim Zugriff auf Datei:\n" + path};
  try {
    std::string text;
    char buffer[8192];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, n);
    if (std::ferror(file.get())) return {"", "Fehler beim Lesen der Datei:\n" + path};
    return {text, ""};
  } catch (const std::bad_alloc&) {
    return {
        "",
        "Nicht genügend Arbeitsspeicher.\nSchliessen Sie andere Anwendungen und\nversuchen Sie es nochmals."};
  }
}

}  // namespace korvale::setup
