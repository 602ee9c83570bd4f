// "Korvale Datasource": the data sources of this machine, "&New" and "&Edit"
// through a form for a definition's keys (written with unixODBC's installer),
// the database's date/time format with its codes, and the backup-log box.
// The server screen opens it without that box to choose a server's DSN.
#pragma once

#include <QDialog>
#include <string>

#include "config/config_ui.h"
#include "config/validate_settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace korvale::config {

struct DataSourceChoice {
  std::string dsn;
  std::string date_time_format;
  bool backup_log = true;
  std::string database_name;  // set on OK on a 64-bit installation
  std::string database_server;
};

class DataSourceDialog : public QDialog {
 public:
  DataSourceDialog(const DataSourceChoice& choice, bool with_backup_log, bool wow64,
                   DataSourceDefinitions& definitions, ConfigUi& ui, QWidget* parent);
  const DataSourceChoice& choice() const { return choice_; }
  void accept() override;

 private:
  void FillList(const std::string& select);
  void InsertCode();
  void EditDefinition(bool create);

  DataSourceChoice choice_;
  bool wow64_;
  DataSourceDefinitions& definitions_;
  ConfigUi& ui_;
  QListWidget* sources_;
  QLineEdit* format_;
  QListWidget* codes_;
  QLabel* description_;
  QCheckBox* backup_log_ = nullptr;
};

// The form for one data source definition: name, driver, "Database", "Server".
class DsnFormDialog : public QDialog {
 public:
  DsnFormDialog(const std::string& name, ConfigUi& ui, QWidget* parent);
  std::string name() const;
  void accept() override;

 private:
  ConfigUi& ui_;
  QLineEdit* name_;
  QComboBox* driver_;
  QLineEdit* database_;
  QLineEdit* server_;
};

}  // namespace korvale::config
