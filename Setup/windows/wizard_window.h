// The server setup's windows: the start dialog and the wizard of nine pages
// over SetupWizard. Every button calls the rules; the pages only show what
// the rules leave in the answers and collect what the administrator types.
// Controls carry object names ("folder", "datasource", "account", ...) so
// that tests and the screenshot script can reach them.
#pragma once

#include <QMessageBox>
#include <QWizard>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Setup/installation.h"
#include "Setup/wizard_rules.h"

namespace korvale::setup {

// The data sources the datasource page offers, and how "&Create" adds one.
struct DataSourceAccess {
  std::function<std::vector<std::string>()> list;
  std::function<std::vector<std::string>()> drivers;
  // Creates `name` with `driver` and the keys; the error text, empty on success.
  std::function<std::string(const std::string& name, const std::string& driver,
                            const std::vector<std::pair<std::string, std::string>>& keys)>
      create;
};

// The unixODBC data sources and drivers through the installer library.
DataSourceAccess SystemDataSources();

// "Korvale Server Setup": what the program does and needs, Yes/No.
std::unique_ptr<QMessageBox> MakeStartDialog(QWidget* parent = nullptr);

class SetupWizardWindow : public QWizard {
 public:
  SetupWizardWindow(SetupWizard& rules, WizardUi& ui, DataSourceAccess data_sources,
                    QWidget* parent = nullptr);

  // Set when a page ended the program (the licence was declined).
  bool ended() const { return ended_; }
  // The installation's result once Finish ran it.
  const std::optional<InstallResult>& install_result() const { return install_result_; }

  SetupWizard& rules() { return rules_; }
  WizardUi& ui() { return ui_; }
  const DataSourceAccess& data_sources() const { return data_sources_; }
  void EndProgram();
  void SetInstallResult(InstallResult result) { install_result_ = result; }

 private:
  SetupWizard& rules_;
  WizardUi& ui_;
  DataSourceAccess data_sources_;
  bool ended_ = false;
  std::optional<InstallResult> install_result_;
};

}  // namespace korvale::setup
