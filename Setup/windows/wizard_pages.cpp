#include "Setup/windows/wizard_pages.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWizardPage>

#include "Setup/windows/wizard_window.h"

namespace korvale::setup {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

// A page that reaches the rules and the window it belongs to.
class Page : public QWizardPage {
 public:
  Page(SetupWizardWindow& window, const char* title) : window_(window) { setTitle(title); }

 protected:
  SetupWizard& rules() { return window_.rules(); }
  SetupWizardWindow& window_;
};

QLabel* WrappedLabel(const QString& text) {
  auto* label = new QLabel(text);
  label->setWordWrap(true);
  return label;
}

QLineEdit* Edit(const char* name, const std::string& text, bool read_only = false) {
  auto* edit = new QLineEdit(Q(text));
  edit->setObjectName(name);
  edit->setReadOnly(read_only);
  return edit;
}

QPushButton* Button(const char* name, const char* text) {
  auto* button = new QPushButton(text);
  button->setObjectName(name);
  if (QString(text) == "...") button->setFixedWidth(36);
  return button;
}

class WelcomePage : public Page {
 public:
  explicit WelcomePage(SetupWizardWindow& w) : Page(w, "Welcome") {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(WrappedLabel(
        "Welcome to the Korvale Server Setup.\n\nThis wizard installs the Korvale Update Service, the "
        "configuration program and the files of the Korvale web application on this computer.\n\n"
        "Click Next to continue."));
    layout->addStretch();
  }
  bool validatePage() override {
    switch (rules().WelcomeNext()) {
      case WelcomeResult::kNext: return true;
      case WelcomeResult::kStay: return false;
      case WelcomeResult::kEndProgram: window_.EndProgram(); return false;
    }
    return false;
  }
};

class FolderPage : public Page {
 public:
  explicit FolderPage(SetupWizardWindow& w) : Page(w, "Installation folder") {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Korvale Installation- folder:"));
    auto* row = new QHBoxLayout;
    folder_ = Edit("folder", rules().answers().destination_path);
    auto* browse = Button("browseFolder", "...");
    row->addWidget(folder_);
    row->addWidget(browse);
    layout->addLayout(row);
    layout->addStretch();
    connect(browse, &QPushButton::clicked, this, [this] {
      QString chosen = QFileDialog::getExistingDirectory(this, "Select destination folder", folder_->text());
      if (!chosen.isEmpty()) folder_->setText(chosen);
    });
  }
  bool validatePage() override { return rules().FolderNext(S(folder_->text().trimmed())); }

 private:
  QLineEdit* folder_;
};

class CodepagePage : public Page {
 public:
  explicit CodepagePage(SetupWizardWindow& w) : Page(w, "Codepage") {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Please select the locale to be used by the Korvale web application:"));
    list_ = new QListWidget;
    list_->setObjectName("locales");
    for (const LocaleEntry& locale : rules().Locales()) {
      auto* item = new QListWidgetItem(QString::fromUtf8(locale.name));
      item->setData(Qt::UserRole, locale.lcid);
      list_->addItem(item);
    }
    if (std::optional<size_t> preselected = rules().PreselectedLocale()) {
      list_->setCurrentRow(static_cast<int>(*preselected));
    } else {
      list_->setCurrentRow(-1);
    }
    layout->addWidget(list_);
  }
  void initializePage() override {
    if (list_->currentItem()) list_->scrollToItem(list_->currentItem(), QAbstractItemView::PositionAtCenter);
  }
  bool validatePage() override {
    std::optional<size_t> selected;
    if (list_->currentItem() && list_->currentItem()->isSelected())
      selected = static_cast<size_t>(list_->currentRow());
    return rules().CodepageNext(selected);
  }

 private:
  QListWidget* list_;
};

// "&Create": a data source for one of the installed drivers, with its database and server.
class CreateDataSourceDialog : public QDialog {
 public:
  CreateDataSourceDialog(const std::vector<std::string>& drivers, QWidget* parent) : QDialog(parent) {
    setObjectName("createDataSource");
    setWindowTitle("Create New Data Source");
    auto* form = new QFormLayout(this);
    name_ = Edit("dsnName", "Korvale");
    driver_ = new QComboBox;
    driver_->setObjectName("dsnDriver");
    for (const std::string& d : drivers) driver_->addItem(Q(d));
    database_ = Edit("dsnDatabase", "");
    server_ = Edit("dsnServer", "");
    form->addRow("Data source name:", name_);
    form->addRow("Driver:", driver_);
    form->addRow("Database:", database_);
    form->addRow("Server:", server_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
  }
  QLineEdit* name_;
  QComboBox* driver_;
  QLineEdit* database_;
  QLineEdit* server_;
};

class DatasourcePage : public Page {
 public:
  explicit DatasourcePage(SetupWizardWindow& w) : Page(w, "Datasource") {
    auto* layout = new QVBoxLayout(this);
    auto* types = new QGroupBox("Database type");
    auto* type_layout = new QHBoxLayout(types);
    group_ = new QButtonGroup(this);
    const std::pair<const char*, DatabaseType> kTypes[] = {
        {"MS Access", DatabaseType::kAccess}, {"SQL Server", DatabaseType::kSqlServer},
        {"mySQL", DatabaseType::kMySql},      {"Oracle", DatabaseType::kOracle},
        {"SQLite", DatabaseType::kSQLite},
    };
    for (const auto& [text, type] : kTypes) {
      auto* radio = new QRadioButton(text);
      radio->setObjectName(QString("type%1").arg(static_cast<int>(type)));
      group_->addButton(radio, static_cast<int>(type));
      type_layout->addWidget(radio);
    }
    group_->button(static_cast<int>(DatabaseType::kAccess))->setEnabled(rules().AccessSelectable());
    group_->button(static_cast<int>(rules().answers().database_type))->setChecked(true);
    layout->addWidget(types);

    layout->addWidget(new QLabel("Korvale datasource:"));
    auto* row = new QHBoxLayout;
    datasource_ = new QComboBox;
    datasource_->setObjectName("datasource");
    auto* create = Button("createDataSource", "&Create");
    row->addWidget(datasource_, 1);
    row->addWidget(create);
    layout->addLayout(row);

    credentials_ = new QWidget;
    auto* form = new QFormLayout(credentials_);
    form->setContentsMargins(0, 0, 0, 0);
    user_ = Edit("dbUser", rules().answers().db_user);
    password_ = Edit("dbPassword", rules().answers().db_password);
    password_->setEchoMode(QLineEdit::Password);
    form->addRow("DB Username:", user_);
    form->addRow("Password:", password_);
    layout->addWidget(credentials_);
    layout->addStretch();

    FillDataSources(rules().answers().data_source);
    ShowCredentials();
    connect(group_, &QButtonGroup::idClicked, this, [this] { ShowCredentials(); });
    connect(create, &QPushButton::clicked, this, [this] { Create(); });
  }

  bool validatePage() override {
    return rules().DatasourceNext(static_cast<DatabaseType>(group_->checkedId()),
                                  S(datasource_->currentText()), S(user_->text()), S(password_->text()));
  }

 private:
  void ShowCredentials() {
    credentials_->setVisible(SetupWizard::CredentialsShown(static_cast<DatabaseType>(group_->checkedId())));
  }
  void FillDataSources(const std::string& select) {
    datasource_->clear();
    if (window_.data_sources().list) {
      for (const std::string& name : window_.data_sources().list()) datasource_->addItem(Q(name));
    }
    datasource_->setCurrentIndex(datasource_->findText(Q(select)));
  }
  void Create() {
    const DataSourceAccess& access = window_.data_sources();
    CreateDataSourceDialog dialog(access.drivers ? access.drivers() : std::vector<std::string>{}, this);
    if (dialog.exec() != QDialog::Accepted) return;
    std::string name = S(dialog.name_->text().trimmed());
    std::string error = name.empty() ? "Please enter a name for the datasource." : "";
    if (error.empty() && access.create) {
      error =
          access.create(name, S(dialog.driver_->currentText()),
                        {{"Database", S(dialog.database_->text())}, {"Server", S(dialog.server_->text())}});
    }
    if (!error.empty()) {
      window_.ui().ShowMessage(error, kSetupErrorTitle, MessageIcon::kError);
      return;
    }
    FillDataSources(name);
  }

  QButtonGroup* group_;
  QComboBox* datasource_;
  QWidget* credentials_;
  QLineEdit* user_;
  QLineEdit* password_;
};

class ExchangeServerPage : public Page {
 public:
  explicit ExchangeServerPage(SetupWizardWindow& w) : Page(w, "Exchange Server") {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        "Please specify a local Microsoft Exchange\nDirectory Server that holds Address Book information."));
    auto* row = new QHBoxLayout;
    server_ = Edit("homeServer", rules().answers().home_server, true);
    auto* browse = Button("browseHomeServer", "...");
    row->addWidget(server_);
    row->addWidget(browse);
    layout->addLayout(row);
    layout->addStretch();
    connect(browse, &QPushButton::clicked, this, [this] {
      rules().BrowseHomeServer();
      server_->setText(Q(rules().answers().home_server));
    });
  }
  bool validatePage() override { return rules().ExchangeServerNext(); }

 private:
  QLineEdit* server_;
};

class ServiceAccountPage : public Page {
 public:
  explicit ServiceAccountPage(SetupWizardWindow& w) : Page(w, "Service Account") {
    auto* form = new QFormLayout(this);
    account_ = Edit("account", rules().answers().service_account);
    account_->setPlaceholderText("DOMAIN\\User");
    password_ = Edit("accountPassword", "");
    password_->setEchoMode(QLineEdit::Password);
    form->addRow("Service Account:", account_);
    form->addRow("Password:", password_);
  }
  bool validatePage() override {
    return rules().ServiceAccountNext(S(account_->text().trimmed()), S(password_->text()));
  }

 private:
  QLineEdit* account_;
  QLineEdit* password_;
};

class LogonMailboxPage : public Page {
 public:
  explicit LogonMailboxPage(SetupWizardWindow& w) : Page(w, "Logon Mailbox") {
    auto* grid = new QGridLayout(this);
    server_ = Edit("logonServer", rules().answers().logon_server, true);
    mailbox_ = Edit("logonMailbox", rules().answers().logon_mailbox, true);
    auto* browse_server = Button("browseLogonServer", "...");
    auto* browse_mailbox = Button("browseLogonMailbox", "...");
    grid->addWidget(new QLabel("Exchange Server"), 0, 0);
    grid->addWidget(server_, 0, 1);
    grid->addWidget(browse_server, 0, 2);
    grid->addWidget(new QLabel("Mailbox"), 1, 0);
    grid->addWidget(mailbox_, 1, 1);
    grid->addWidget(browse_mailbox, 1, 2);
    grid->setRowStretch(2, 1);
    connect(browse_server, &QPushButton::clicked, this, [this] {
      rules().BrowseLogonServer();
      server_->setText(Q(rules().answers().logon_server));
    });
    connect(browse_mailbox, &QPushButton::clicked, this, [this] {
      rules().BrowseLogonMailbox();
      mailbox_->setText(Q(rules().answers().logon_mailbox));
    });
  }
  bool validatePage() override { return rules().LogonMailboxNext(); }

 private:
  QLineEdit* server_;
  QLineEdit* mailbox_;
};

class VirtualDirectoryPage : public Page {
 public:
  explicit VirtualDirectoryPage(SetupWizardWindow& w) : Page(w, "IIS Virtual Directory") {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Virtual directory:"));
    auto* row = new QHBoxLayout;
    name_ = Edit("virtualDirectory", "Korvale");
    auto* create = Button("createVirtualDirectory", "Create");
    row->addWidget(name_);
    row->addWidget(create);
    layout->addLayout(row);
    layout->addStretch();
    connect(create, &QPushButton::clicked, this,
            [this] { rules().CreateVirtualDirectory(S(name_->text().trimmed())); });
  }
  bool validatePage() override { return rules().VirtualDirectoryNext(); }

 private:
  QLineEdit* name_;
};

class InstallFilesPage : public Page {
 public:
  explicit InstallFilesPage(SetupWizardWindow& w) : Page(w, "Install files") {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("The Setup- program is now ready to install the required files."));
    layout->addStretch();
  }
  bool validatePage() override {
    window_.SetInstallResult(rules().Install());
    return true;
  }
};

}  // namespace

void AddWizardPages(SetupWizardWindow& window) {
  window.setPage(static_cast<int>(WizardPage::kWelcome), new WelcomePage(window));
  window.setPage(static_cast<int>(WizardPage::kFolder), new FolderPage(window));
  window.setPage(static_cast<int>(WizardPage::kCodepage), new CodepagePage(window));
  window.setPage(static_cast<int>(WizardPage::kDatasource), new DatasourcePage(window));
  window.setPage(static_cast<int>(WizardPage::kExchangeServer), new ExchangeServerPage(window));
  window.setPage(static_cast<int>(WizardPage::kServiceAccount), new ServiceAccountPage(window));
  window.setPage(static_cast<int>(WizardPage::kLogonMailbox), new LogonMailboxPage(window));
  window.setPage(static_cast<int>(WizardPage::kVirtualDirectory), new VirtualDirectoryPage(window));
  window.setPage(static_cast<int>(WizardPage::kInstallFiles), new InstallFilesPage(window));
}

}  // namespace korvale::setup
