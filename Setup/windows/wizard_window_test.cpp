// The setup's real windows on the offscreen platform: the wizard driven page
// by page with its buttons as an administrator would, the Part's edge cases
// seen through the pages, and the Qt message boxes and dialogs themselves.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "Setup/windows/qprocess_runner.h"
#include "Setup/windows/qt_wizard_ui.h"
#include "Setup/windows/wizard_window.h"
#include "tests/fakes/scripted_wizard_ui.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace korvale::setup {
namespace {

using testing::ScriptedWizardUi;

constexpr const char* kHomeServer = "/o=Org/ou=First/cn=Configuration/cn=Servers/cn=S1";

class WizardWindow : public ::testing::Test {
 protected:
  void SetUp() override { testing::WriteFileBytes(medium_.File("license.txt"), "Licence terms\n"); }

  std::unique_ptr<SetupWizard> MakeRules(const InstallAnswers& previous = {}, bool wow64 = false) {
    WizardEnvironment env;
    env.setup_dir = medium_.path().string();
    env.wow64 = wow64;
    env.user_lcid = 1033;
    return std::make_unique<SetupWizard>(
        env, previous, ui_, lookups_, runner_, [](const std::string&, const std::string& key) {
          return key == "Server" ? std::string("db1") : std::string("korvale");
        });
  }
  std::unique_ptr<SetupWizardWindow> MakeWindow(SetupWizard& rules) {
    DataSourceAccess access;
    access.list = [] { return std::vector<std::string>{"korvale_other", "korvale_test"}; };
    auto window = std::make_unique<SetupWizardWindow>(rules, ui_, access);
    window->show();
    return window;
  }
  static void Click(QWizard& w, QWizard::WizardButton which) {
    QTest::mouseClick(w.button(which), Qt::LeftButton);
  }
  template <typename T>
  static T* Find(QWizard& w, const char* name) {
    T* child = w.currentPage()->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  static int Page(WizardPage p) { return static_cast<int>(p); }

  // Fills the current page with valid values and presses Next until `page` shows.
  void GoTo(QWizard& w, WizardPage page) {
    while (w.currentId() < Page(page)) {
      int before = w.currentId();
      switch (static_cast<WizardPage>(before)) {
        case WizardPage::kFolder:
          Find<QLineEdit>(w, "folder")->setText(QString::fromStdString(target_.path().string()));
          break;
        case WizardPage::kDatasource: {
          auto* ds = Find<QComboBox>(w, "datasource");
          ds->setCurrentIndex(ds->findText("korvale_test"));
          break;
        }
        case WizardPage::kExchangeServer:
        case WizardPage::kLogonMailbox:
          lookups_.servers = {testing::ChosenServer(kHomeServer, 1)};
          lookups_.mailbox = MailboxChoice{"svc", "/o=Org/cn=svc"};
          QTest::mouseClick(
              Find<QPushButton>(
                  w, before == Page(WizardPage::kExchangeServer) ? "browseHomeServer" : "browseLogonServer"),
              Qt::LeftButton);
          if (before == Page(WizardPage::kLogonMailbox)) {
            QTest::mouseClick(Find<QPushButton>(w, "browseLogonMailbox"), Qt::LeftButton);
          }
          break;
        case WizardPage::kServiceAccount: Find<QLineEdit>(w, "account")->setText("DOM\\svc"); break;
        default: break;
      }
      Click(w, QWizard::NextButton);
      ASSERT_NE(w.currentId(), before) << ui_.LastMessage();
    }
  }

  testing::TempDir medium_;
  testing::TempDir target_;
  ScriptedWizardUi ui_;
  testing::ScriptedLookups lookups_;
  testing::FakeRunner runner_;
};

TEST_F(WizardWindow, DrivenFromStartToFinishCollectsEveryPage) {
  auto rules = MakeRules();
  auto w = MakeWindow(*rules);
  EXPECT_EQ(w->windowTitle(), "Korvale Server Setup");
  EXPECT_EQ(w->currentId(), Page(WizardPage::kWelcome));
  Click(*w, QWizard::NextButton);
  ASSERT_EQ(w->currentId(), Page(WizardPage::kFolder)) << ui_.LastMessage();

  std::string folder = (target_.path() / "Korvale").string();
  Find<QLineEdit>(*w, "folder")->setText(QString::fromStdString(folder));
  ui_.answers = {true};  // create the folder
  Click(*w, QWizard::NextButton);
  ASSERT_EQ(w->currentId(), Page(WizardPage::kCodepage)) << ui_.LastMessage();
  EXPECT_TRUE(std::filesystem::is_directory(folder));

  auto* locales = Find<QListWidget>(*w, "locales");
  EXPECT_EQ(locales->currentItem()->text(), "English(United States)") << "the user's locale is preselected";
  locales->setCurrentRow(*FindLocale(1031));
  Click(*w, QWizard::NextButton);
  ASSERT_EQ(w->currentId(), Page(WizardPage::kDatasource)) << ui_.LastMessage();

  auto* sqlite = Find<QRadioButton>(*w, "type4");
  QTest::mouseClick(sqlite, Qt::LeftButton);
  EXPECT_FALSE(Find<QLineEdit>(*w, "dbUser")->isVisible()) << "no user for the embedded database";
  QTest::mouseClick(Find<QRadioButton>(*w, "type2"), Qt::LeftButton);
  EXPECT_TRUE(Find<QLineEdit>(*w, "dbUser")->isVisible()) << "mySQL has a user";
  QTest::mouseClick(sqlite, Qt::LeftButton);
  auto* datasource = Find<QComboBox>(*w, "datasource");
  EXPECT_EQ(datasource->currentIndex(), -1) << "nothing preset on a first installation";
  Click(*w, QWizard::NextButton);
  EXPECT_EQ(ui_.LastMessage(), "Please select a datasource to be used by the Korvale Service.");
  datasource->setCurrentIndex(datasource->findText("korvale_test"));
  Click(*w, QWizard::NextButton);
  ASSERT_EQ(w->currentId(), Page(WizardPage::kExchangeServer)) << ui_.LastMessage();

  lookups_.servers = {testing::ChosenServer(kHomeServer, 1)};
  QTest::mouseClick(Find<QPushButton>(*w, "browseHomeServer"), Qt::LeftButton);
  EXPECT_EQ(Find<QLineEdit>(*w, "homeServer")->text().toStdString(), kHomeServer);
  Click(*w, QWizard::NextButton);
  ASSERT_EQ(w->currentId(), Page(WizardPage::kServiceAccount)) << ui_.LastMessage();

  QTest::keyClicks(Find<QLineEdit>(*w, "account"), "KORVALE\\svc");
  QTest::keyClicks(Find<QLineEdit>(*w, "accountPassword"), "secret");
  Click(*w, QWizard::NextButton);
  ASSERT_EQ(w->currentId(), Page(WizardPage::kLogonMailbox)) << ui_.LastMessage();

  lookups_.servers = {testing::ChosenServer(kHomeServer, 1)};
  lookups_.mailbox = MailboxChoice{"Korvale Service", "/o=Org/ou=First/cn=Recipients/cn=svc"};
  QTest::mouseClick(Find<QPushButton>(*w, "browseLogonServer"), Qt::LeftButton);
  QTest::mouseClick(Find<QPushButton>(*w, "browseLogonMailbox"), Qt::LeftButton);
  EXPECT_EQ(Find<QLineEdit>(*w, "logonServer")->text(), "S1");
  Click(*w, QWizard::NextButton);
  ASSERT_EQ(w->currentId(), Page(WizardPage::kVirtualDirectory)) << ui_.LastMessage();

  QTest::mouseClick(Find<QPushButton>(*w, "createVirtualDirectory"), Qt::LeftButton);
  EXPECT_EQ(ui_.LastMessage(), "The virtual directory Korvale was successfully created.");
  ASSERT_EQ(runner_.calls.size(), 1u);
  EXPECT_EQ(runner_.calls[0].second, (std::vector<std::string>{folder, "Korvale"}));
  Click(*w, QWizard::NextButton);
  ASSERT_EQ(w->currentId(), Page(WizardPage::kInstallFiles)) << ui_.LastMessage();
  EXPECT_TRUE(w->button(QWizard::FinishButton)->isVisible());

  const InstallAnswers& a = rules->answers();
  EXPECT_EQ(a.destination_path, folder);
  EXPECT_EQ(a.lcid, 1031u);
  EXPECT_EQ(a.database_type, DatabaseType::kSQLite);
  EXPECT_EQ(a.data_source, "korvale_test");
  EXPECT_EQ(a.home_server, kHomeServer);
  EXPECT_EQ(a.home_server_name, "S1");
  EXPECT_EQ(a.msx2k, 1);
  EXPECT_EQ(a.service_account, "KORVALE\\svc");
  EXPECT_EQ(a.service_password, "secret");
  EXPECT_EQ(a.logon_server, "S1");
  EXPECT_EQ(a.logon_mailbox, "/o=Org/ou=First/cn=Recipients/cn=svc");
  EXPECT_EQ(a.virtual_directory, "Korvale");
  EXPECT_FALSE(a.upgrade);
  EXPECT_EQ(ui_.licences.size(), 1u);
}

TEST_F(WizardWindow, LicenceIsShownOnlyTheFirstTime) {
  auto rules = MakeRules();
  auto w = MakeWindow(*rules);
  Click(*w, QWizard::NextButton);
  Click(*w, QWizard::BackButton);
  ASSERT_EQ(w->currentId(), Page(WizardPage::kWelcome));
  Click(*w, QWizard::NextButton);
  EXPECT_EQ(w->currentId(), Page(WizardPage::kFolder));
  EXPECT_EQ(ui_.licences, std::vector<std::string>{"Licence terms\n"});
}

TEST_F(WizardWindow, DecliningTheLicenceEndsTheProgram) {
  ui_.accept_licence = false;
  auto rules = MakeRules();
  auto w = MakeWindow(*rules);
  Click(*w, QWizard::NextButton);
  EXPECT_TRUE(w->ended());
  EXPECT_FALSE(w->isVisible());
  EXPECT_FALSE(w->install_result());
}

TEST_F(WizardWindow, ServiceAccountWithoutBackslashKeepsThePage) {
  auto rules = MakeRules();
  auto w = MakeWindow(*rules);
  GoTo(*w, WizardPage::kServiceAccount);
  ASSERT_EQ(w->currentId(), Page(WizardPage::kServiceAccount));
  QTest::keyClicks(Find<QLineEdit>(*w, "account"), "svc");
  Click(*w, QWizard::NextButton);
  EXPECT_EQ(w->currentId(), Page(WizardPage::kServiceAccount));
  EXPECT_EQ(ui_.LastMessage(), "Please enter the Service Account in the following format:\nDOMAIN\\Username");
  EXPECT_EQ(Find<QLineEdit>(*w, "account")->text(), "svc") << "the entered value stays";
}

TEST_F(WizardWindow, PresetMsAccessIsOfferedAsSqlServerOn64Bit) {
  InstallAnswers previous;
  previous.destination_path = target_.path().string();
  previous.database_type = DatabaseType::kAccess;
  previous.data_source = "korvale_test";
  previous.db_user = "sa";
  auto rules = MakeRules(previous, true);
  auto w = MakeWindow(*rules);
  GoTo(*w, WizardPage::kDatasource);
  ASSERT_EQ(w->currentId(), Page(WizardPage::kDatasource));
  EXPECT_TRUE(Find<QRadioButton>(*w, "type1")->isChecked()) << "SQL Server in place of MS Access";
  EXPECT_FALSE(Find<QRadioButton>(*w, "type0")->isEnabled()) << "MS Access cannot be chosen";
  EXPECT_EQ(Find<QComboBox>(*w, "datasource")->currentText(), "korvale_test");
  EXPECT_EQ(Find<QLineEdit>(*w, "dbUser")->text(), "sa");
  Click(*w, QWizard::NextButton);
  EXPECT_EQ(w->currentId(), Page(WizardPage::kExchangeServer)) << ui_.LastMessage();
  EXPECT_EQ(rules->answers().database_server, "db1");
}

TEST_F(WizardWindow, KvCrVDirExitCodeSixNamesParentPathsAndScriptErrors) {
  auto rules = MakeRules();
  auto w = MakeWindow(*rules);
  GoTo(*w, WizardPage::kVirtualDirectory);
  runner_.status = 6;
  QTest::mouseClick(Find<QPushButton>(*w, "createVirtualDirectory"), Qt::LeftButton);
  EXPECT_EQ(ui_.LastMessage(),
            "The following errors occured while creating the Virtual directory:\n\n"
            "Error enabling parent paths for the virtual root.\n"
            "Error enabling sending script errors to the browser for the virtual root.\n");
  ui_.answers = {false};
  Click(*w, QWizard::NextButton);
  EXPECT_EQ(w->currentId(), Page(WizardPage::kVirtualDirectory)) << "No to leaving without a directory";
  EXPECT_EQ(ui_.questions.back().text, "Are you sure you don't want to create a virtual directory?");
}

TEST_F(WizardWindow, HelpOpensTheCurrentPagesTopic) {
  std::filesystem::create_directories(medium_.path() / "help");
  testing::WriteFileBytes(medium_.File("help/installation_folder.htm"), "<p>folder</p>");
  auto rules = MakeRules();
  auto w = MakeWindow(*rules);
  GoTo(*w, WizardPage::kFolder);
  Click(*w, QWizard::HelpButton);
  EXPECT_EQ(ui_.opened, std::vector<std::string>{medium_.File("help/installation_folder.htm")});
}

TEST_F(WizardWindow, SecondRunPresetsThePagesFromThePreviousInstallation) {
  InstallAnswers previous;
  previous.destination_path = target_.path().string();
  previous.lcid = 1036;
  previous.database_type = DatabaseType::kMySql;
  previous.data_source = "korvale_test";
  previous.db_user = "web";
  previous.db_password = "pw";
  previous.home_server = kHomeServer;
  previous.logon_server = "S1";
  previous.logon_mailbox = "/o=Org/cn=svc";
  auto rules = MakeRules(previous);
  auto w = MakeWindow(*rules);
  GoTo(*w, WizardPage::kFolder);
  EXPECT_EQ(Find<QLineEdit>(*w, "folder")->text().toStdString(), target_.path().string());
  GoTo(*w, WizardPage::kCodepage);
  EXPECT_EQ(Find<QListWidget>(*w, "locales")->currentItem()->text(), "French(Standard)")
      << "before the user's locale";
  Click(*w, QWizard::NextButton);
  ASSERT_EQ(w->currentId(), Page(WizardPage::kDatasource));
  EXPECT_TRUE(Find<QRadioButton>(*w, "type2")->isChecked());
  EXPECT_EQ(Find<QComboBox>(*w, "datasource")->currentText(), "korvale_test");
  EXPECT_EQ(Find<QLineEdit>(*w, "dbPassword")->text(), "pw");
  Click(*w, QWizard::NextButton);
  ASSERT_EQ(w->currentId(), Page(WizardPage::kExchangeServer));
  EXPECT_EQ(Find<QLineEdit>(*w, "homeServer")->text().toStdString(), kHomeServer);
  Click(*w, QWizard::NextButton);
  EXPECT_EQ(w->currentId(), Page(WizardPage::kServiceAccount)) << "the preset server is enough";
  EXPECT_TRUE(rules->answers().upgrade);
}

TEST_F(WizardWindow, CreateAddsADataSourceAndSelectsIt) {
  auto rules = MakeRules();
  DataSourceAccess access;
  std::vector<std::string> names{"korvale_test"};
  std::vector<std::pair<std::string, std::string>> written;
  access.list = [&] { return names; };
  access.drivers = [] { return std::vector<std::string>{"MariaDB", "SQLite3"}; };
  access.create = [&](const std::string& name, const std::string& driver,
                      const std::vector<std::pair<std::string, std::string>>& keys) {
    names.push_back(name);
    written = keys;
    written.insert(written.begin(), {"Driver", driver});
    return std::string();
  };
  SetupWizardWindow w(*rules, ui_, access);
  w.show();
  GoTo(w, WizardPage::kDatasource);
  QTimer::singleShot(0, [] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->findChild<QLineEdit*>("dsnName")->text(), "Korvale") << "the suggested name";
    dialog->findChild<QComboBox*>("dsnDriver")->setCurrentText("SQLite3");
    dialog->findChild<QLineEdit*>("dsnDatabase")->setText("/srv/korvale.db");
    static_cast<QDialog*>(dialog)->accept();
  });
  QTest::mouseClick(Find<QPushButton>(w, "createDataSource"), Qt::LeftButton);
  EXPECT_EQ(Find<QComboBox>(w, "datasource")->currentText(), "Korvale");
  EXPECT_EQ(written, (std::vector<std::pair<std::string, std::string>>{
                         {"Driver", "SQLite3"}, {"Database", "/srv/korvale.db"}, {"Server", ""}}));
}

// Closes the next modal window with `button` and records its title and text.
struct ModalAnswer {
  QString title;
  QString text;
  void Arm(QMessageBox::StandardButton button) {
    QTimer::singleShot(0, [this, button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      title = box->windowTitle();
      text = box->text();
      box->button(button)->click();
    });
  }
};

TEST(QtWizardUiTest, MessageBoxesShowTitleAndTextAndAnswerYesNo) {
  QtWizardUi ui;
  ModalAnswer modal;
  modal.Arm(QMessageBox::Ok);
  ui.ShowMessage("Please enter or select a valid folder", kSetupErrorTitle, MessageIcon::kError);
  EXPECT_EQ(modal.title, "Korvale Server Setup Error");
  EXPECT_EQ(modal.text, "Please enter or select a valid folder");
  modal.Arm(QMessageBox::Yes);
  EXPECT_TRUE(ui.AskYesNo("Create?", kSetupTitle, MessageIcon::kQuestion));
  modal.Arm(QMessageBox::No);
  EXPECT_FALSE(ui.AskYesNo("Create?", kSetupTitle, MessageIcon::kQuestion));
}

TEST(QtWizardUiTest, LicenceDialogShowsTheTextAndYesAccepts) {
  QtWizardUi ui;
  for (bool accept : {true, false}) {
    QString shown;
    QTimer::singleShot(0, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->windowTitle(), "Software Licence Agreement");
      shown = dialog->findChild<QPlainTextEdit*>()->toPlainText();
      for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
        if (b->text() == (accept ? "&Yes" : "&No")) b->click();
      }
    });
    EXPECT_EQ(ui.ShowLicence("Terms äöü"), accept);
    EXPECT_EQ(shown, QString::fromUtf8("Terms äöü"));
  }
}

TEST(QtWizardUiTest, ConfirmFileReplaceOffersTheFourAnswers) {
  QtWizardUi ui;
  FileReplaceQuestion q;
  q.heading = "The folder '/srv/k' already contains a file named 'Caldrun'";
  q.existing = "10 Bytes, 01.01.2026 10:00";
  q.replacement = "12 Bytes, 02.01.2026 10:00";
  const std::pair<const char*, ReplaceAnswer> kButtons[] = {{"&Yes", ReplaceAnswer::kYes},
                                                            {"&No", ReplaceAnswer::kNo},
                                                            {"Yes to &All", ReplaceAnswer::kYesToAll},
                                                            {"No to A&ll", ReplaceAnswer::kNoToAll}};
  for (const auto& [label, answer] : kButtons) {
    SCOPED_TRACE(label);
    QString title;
    QTimer::singleShot(0, [&, label = label] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      title = box->windowTitle();
      EXPECT_TRUE(box->text().contains("Would you like to replace the existing file"));
      for (QAbstractButton* b : box->buttons()) {
        if (b->text() == label) b->click();
      }
    });
    EXPECT_EQ(ui.ConfirmFileReplace(q), answer);
    EXPECT_EQ(title, "Confirm File Replace");
  }
}

TEST(QProcessRunnerTest, ExitStatusOfTheToolAndNothingWhenItCannotStart) {
  testing::TempDir dir;
  testing::WriteFileBytes(dir.File("metabase.txt"), "[/LM/W3SVC/1/ROOT]\n[/LM/W3SVC/AppPools]\n");
  qputenv("KORVALE_METABASE", dir.File("metabase.txt").c_str());
  QProcessRunner runner;
  EXPECT_EQ(runner.Run(testing::BuiltProgram("vdirtool/KvCrVDir"), {dir.path().string(), "Korvale"}), 0);
  EXPECT_EQ(runner.Run(testing::BuiltProgram("vdirtool/KvCrVDir"), {dir.path().string(), "Korvale"}), 249)
      << "1049 as an 8-bit status: the directory exists";
  EXPECT_EQ(runner.Run(dir.File("no-such-program"), {}), std::nullopt);
  qunsetenv("KORVALE_METABASE");
}

TEST(QtWizardUiTest, StartDialogListsTheRequirementsAndAsksYesNo) {
  auto start = MakeStartDialog();
  EXPECT_EQ(start->windowTitle(), "Korvale Server Setup");
  QString text = start->text();
  EXPECT_TRUE(text.startsWith("This program installs the Korvale Server- Software."));
  EXPECT_TRUE(text.contains("- you can browse Active Directory with LDAP"));
  EXPECT_TRUE(text.endsWith("Do you want to continue?"));
  EXPECT_NE(start->button(QMessageBox::Yes), nullptr);
  EXPECT_NE(start->button(QMessageBox::No), nullptr);
}

}  // namespace
}  // namespace korvale::setup

int main(int argc, char** argv) {
  // Test discovery starts the program too, without ctest's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
