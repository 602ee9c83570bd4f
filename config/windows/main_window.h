// KorvaleCfg's main window: the settings record of one installation with the
// buttons that open the sub-screens; "Update" saves through the configuration
// library, "Cancel" closes without writing.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "config/admin_users.h"
#include "config/config_settings.h"
#include "config/config_ui.h"
#include "config/home_server.h"
#include "config/save_settings.h"
#include "config/screens/group_list.h"
#include "config/validate_settings.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace korvale::config {

struct MainWindowServices {
  ConfigUi& ui;
  DataSourceDefinitions& definitions;
  AdminUsersExpander& admin_users;
  std::string program_dir;
  std::function<void()> offer_restart;  // may be empty
  // "&Members": the address book dialog for a group; nullopt when cancelled or failed.
  std::function<std::optional<MemberLists>(QWidget* owner, const GroupEntry& group)> choose_members;
  // "&...": the version screen and the directory lookups; nullopt when cancelled or failed.
  std::function<std::optional<HomeServerChoice>(QWidget* owner, int current_msx2k)> choose_home_server;
};

class MainWindow : public QDialog {
 public:
  MainWindow(ConfigSettings settings, MainWindowServices services, QWidget* parent = nullptr);
  // The record as the window holds it (the fields' values taken in).
  ConfigSettings settings();
  // What the last "Update" did; nullopt before one.
  std::optional<SaveOutcome> last_save() const { return last_save_; }

 private:
  void Build();
  void ShowValues();
  void TakeValues();
  void FillGroups(int select);
  void UpdateGroupButtons();
  void AddGroup();
  void ChooseMembers(int row);
  void RemoveGroup();
  void MoveSelectedGroup(int direction);
  void ConfigureDataSource();
  void EditDbUser();
  void EditServers();
  void EditFields();
  void EditSecurity();
  void EditBooking();
  void EditFilters();
  void EditLogOptions();
  void ChooseHomeServer();
  void ShowAbout();
  void Update();

  ConfigSettings settings_;
  MainWindowServices services_;
  std::optional<SaveOutcome> last_save_;
  QLineEdit* dsn_;
  QButtonGroup* types_;
  QCheckBox* new_db_;
  QListWidget* groups_;
  QPushButton* members_;
  QPushButton* remove_;
  QPushButton* up_;
  QPushButton* down_;
  QLineEdit* admins_;
  QSpinBox* days_ahead_;
  QSpinBox* days_past_;
  QSpinBox* cycle_time_;
  QLineEdit* home_server_;
};

}  // namespace korvale::config
