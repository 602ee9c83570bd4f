// "Server Configuration": the servers list with its edit fields, add, modify
// and delete, the "..." datasource chooser and the servers scanned locally.
// Works on a copy of the record's servers; `servers()` after OK.
#pragma once

#include <QDialog>
#include <vector>

#include "config/config_settings.h"
#include "config/config_ui.h"
#include "config/validate_settings.h"

class QComboBox;
class QGridLayout;
class QLineEdit;
class QListWidget;
class QTreeWidget;

namespace korvale::config {

class ServerDialog : public QDialog {
 public:
  ServerDialog(std::vector<ServerEntry> servers, bool wow64, DataSourceDefinitions& definitions, ConfigUi& ui,
               QWidget* parent);
  const std::vector<ServerEntry>& servers() const { return servers_; }
  // Checks the listed rows' data sources on a 64-bit installation; the
  // caller runs it once the screen shows.
  void CheckOnOpen();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildEditFields(QGridLayout* grid);
  void FillLists();
  void LoadRow(int row);
  ServerEntry EditedRow() const;
  bool EditedRowValid();
  void Add();
  void Modify();
  void Delete();
  void ToggleLocal();
  void ChooseDataSource();
  void TypeChosen(int index);
  void RowSelected();

  std::vector<ServerEntry> servers_;
  bool wow64_;
  DataSourceDefinitions& definitions_;
  ConfigUi& ui_;
  bool dirty_ = false;
  bool loading_ = false;
  int shown_row_ = -1;
  QTreeWidget* list_;
  QListWidget* local_;
  QLineEdit* site_;
  QLineEdit* name_;
  QComboBox* time_diff_;
  QLineEdit* data_source_;
  QLineEdit* format_;
  QLineEdit* user_;
  QLineEdit* password_;
  QComboBox* type_;
  QLineEdit* pdc_;
  QLineEdit* database_server_;
  QLineEdit* database_;
};

}  // namespace korvale::config
