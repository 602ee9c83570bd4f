#include "Setup/windows/wizard_window.h"

#include "Setup/windows/wizard_pages.h"
#include "platform/odbcinst/data_sources.h"

namespace korvale::setup {

DataSourceAccess SystemDataSources() {
  DataSourceAccess access;
  access.list = [] {
    std::vector<std::string> names;
    for (const odbcinst::DataSource& ds : odbcinst::ListDataSources()) names.push_back(ds.name);
    return names;
  };
  access.drivers = [] { return odbcinst::ListDrivers(); };
  access.create = [](const std::string& name, const std::string& driver,
                     const std::vector<std::pair<std::string, std::string>>& keys) {
    std::string error;
    return odbcinst::WriteDataSource(name, driver, keys, error) ? std::string() : error;
  };
  return access;
}

std::unique_ptr<QMessageBox> MakeStartDialog(QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(
      QMessageBox::Question, kSetupTitle,
      "This program installs the Korvale Server- Software.\n\n"
      "Please make sure that\n"
      "- you are logged-in as an Administrator or running this program as an Administrator\n"
      "- you have access to the local registry (read/write)\n"
      "- you can browse Active Directory with LDAP\n"
      "- you have downloaded and installed the MAPI/CDO download from Microsoft\n\n"
      "Do you want to continue?",
      QMessageBox::Yes | QMessageBox::No, parent);
  box->setObjectName("startDialog");
  return box;
}

SetupWizardWindow::SetupWizardWindow(SetupWizard& rules, WizardUi& ui, DataSourceAccess data_sources,
                                     QWidget* parent)
    : QWizard(parent), rules_(rules), ui_(ui), data_sources_(std::move(data_sources)) {
  setWindowTitle(kSetupTitle);
  setWizardStyle(QWizard::ClassicStyle);
  setOption(QWizard::HaveHelpButton, true);
  AddWizardPages(*this);
  setStartId(static_cast<int>(WizardPage::kWelcome));
  connect(this, &QWizard::helpRequested, this,
          [this] { rules_.ShowHelp(static_cast<WizardPage>(currentId())); });
  resize(620, 440);
}

void SetupWizardWindow::EndProgram() {
  ended_ = true;
  reject();
}

}  // namespace korvale::setup
