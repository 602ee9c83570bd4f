// Takes a picture of every window of the server setup for the README:
// setup_screens OUTPUT_DIR. Run it under a display server (scripts/setup-screens
// starts one with xvfb-run); the wizard walks its pages with sample answers
// and installs nothing.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "Setup/windows/qt_wizard_ui.h"
#include "Setup/windows/wizard_window.h"

namespace korvale::setup {
namespace {

constexpr const char* kServer = "/o=Demo/ou=First Administrative Group/cn=Configuration/cn=Servers/cn=MAIL1";

// Answers every question with yes and shows nothing, so the walk never waits.
class SilentUi : public WizardUi {
 public:
  void ShowMessage(const std::string& text, const std::string&, MessageIcon) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
  bool AskYesNo(const std::string&, const std::string&, MessageIcon) override { return true; }
  bool ShowLicence(const std::string&) override { return true; }
  std::string OpenDocument(const std::string&) override { return ""; }
  ReplaceAnswer ConfirmFileReplace(const FileReplaceQuestion&) override { return ReplaceAnswer::kYes; }
  void ShowProgress(const std::string&, int, int) override {}
  void CloseProgress() override {}
};

class SampleLookups : public WizardLookups {
 public:
  ServerChoice ChooseHomeServer() override {
    ServerChoice c;
    c.outcome = ServerChoice::Outcome::kChosen;
    c.home_server = kServer;
    c.exchange_version = 1;
    return c;
  }
  std::optional<MailboxChoice> ChooseMailbox(const std::string&) override {
    return MailboxChoice{"Korvale Service", "/o=Demo/ou=First Administrative Group/cn=Recipients/cn=korvale"};
  }
};

class SuccessRunner : public ProgramRunner {
 public:
  std::optional<int> Run(const std::string&, const std::vector<std::string>&) override { return 0; }
};

bool Save(QWidget& widget, const std::filesystem::path& file) {
  widget.show();
  QTest::qWait(150);
  bool ok = widget.grab().save(QString::fromStdString(file.string()));
  std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "FAILED", file.c_str());
  return ok;
}

template <typename T>
T* Child(QWizard& w, const char* name) {
  return w.currentPage()->findChild<T*>(name);
}

int TakeScreens(const std::filesystem::path& out) {
  std::filesystem::create_directories(out);
  std::filesystem::path medium = std::filesystem::temp_directory_path() / "korvale-setup-screens";
  std::filesystem::create_directories(medium);
  std::ofstream(medium / "license.txt") << "Korvale Software Licence Agreement\n\n(sample text)\n";
  std::filesystem::path folder = medium / "Korvale";

  bool ok = Save(*MakeStartDialog(), out / "setup-0-start.png");
  ok &= Save(
      *MakeLicenceDialog("KORVALE SOFTWARE LICENCE AGREEMENT\n\nPlease read the following terms carefully "
                         "before installing Korvale.\n\n1. ...\n"),
      out / "setup-1-licence.png");

  SilentUi ui;
  SampleLookups lookups;
  SuccessRunner runner;
  WizardEnvironment environment;
  environment.setup_dir = medium.string();
  environment.user_lcid = 1033;
  SetupWizard rules(environment, {}, ui, lookups, runner,
                    [](const std::string&, const std::string&) { return ""; });
  DataSourceAccess sources;
  sources.list = [] { return std::vector<std::string>{"Korvale", "korvale_demo"}; };
  SetupWizardWindow window(rules, ui, sources);

  const char* names[] = {"welcome",         "folder",          "codepage",      "datasource",
                         "exchange-server", "service-account", "logon-mailbox", "virtual-directory",
                         "install-files"};
  for (int page = 0; page < kWizardPageCount; ++page) {
    switch (static_cast<WizardPage>(page)) {
      case WizardPage::kFolder:
        Child<QLineEdit>(window, "folder")->setText(QString::fromStdString(folder.string()));
        break;
      case WizardPage::kDatasource:
        Child<QRadioButton>(window, "type1")->click();
        Child<QComboBox>(window, "datasource")->setCurrentIndex(0);
        Child<QLineEdit>(window, "dbUser")->setText("korvale");
        Child<QLineEdit>(window, "dbPassword")->setText("secret");
        break;
      case WizardPage::kExchangeServer: Child<QPushButton>(window, "browseHomeServer")->click(); break;
      case WizardPage::kServiceAccount:
        Child<QLineEdit>(window, "account")->setText("KORVALE\\korvale");
        break;
      case WizardPage::kLogonMailbox:
        Child<QPushButton>(window, "browseLogonServer")->click();
        Child<QPushButton>(window, "browseLogonMailbox")->click();
        break;
      default: break;
    }
    char file[64];
    std::snprintf(file, sizeof file, "setup-%d-%s.png", page + 2, names[page]);
    ok &= Save(window, out / file);
    if (page + 1 < kWizardPageCount) window.next();
    if (window.currentId() != page + 1 && page + 1 < kWizardPageCount) {
      std::fprintf(stderr, "the wizard stayed on page %d\n", page);
      return 1;
    }
  }
  std::filesystem::remove_all(medium);
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace korvale::setup

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: setup_screens OUTPUT_DIR\n");
    return 2;
  }
  QApplication app(argc, argv);
  app.setStyle("Fusion");
  return korvale::setup::TakeScreens(argv[1]);
}
