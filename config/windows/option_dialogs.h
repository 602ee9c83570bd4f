// The small modal screens of the main window (the Exchange version is asked
// by the home-server lookup through the interface's list chooser). Each starts from a copy of its
// part of the settings record and hands it back (`values()`) only after OK;
// every check and warning comes from the configuration library.
#pragma once

#include <QDialog>
#include <string>

#include "config/config_settings.h"
#include "config/config_ui.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace korvale::config {

// "Korvale Database Access Properties".
class DbUserDialog : public QDialog {
 public:
  DbUserDialog(const std::string& user, const std::string& password, ConfigUi& ui, QWidget* parent);
  std::string user() const;
  std::string password() const;
  void accept() override;

 private:
  ConfigUi& ui_;
  QLineEdit* user_;
  QLineEdit* password_;
  QLineEdit* verify_;
};

// "Security": the level and, for minimal security, the details attribute.
class SecurityDialog : public QDialog {
 public:
  SecurityDialog(int level, int attribute, QWidget* parent);
  int level() const;
  int attribute() const;

 private:
  QButtonGroup* levels_;
  QComboBox* attribute_;
};

// "Meeting booking": who may book, and the prefix of booked appointments.
class BookingDialog : public QDialog {
 public:
  BookingDialog(int attribute, const std::string& prefix, QWidget* parent);
  int attribute() const;  // 0 when everybody may book
  std::string prefix() const;

 private:
  QRadioButton* restricted_;
  QComboBox* attribute_;
  QLineEdit* prefix_;
};

struct MeetingFilters {
  bool suppress_holidays, show_no_private, skip_cancelled, show_personal;
};

// "Meeting Filters"; clearing the holiday box warns.
class FiltersDialog : public QDialog {
 public:
  FiltersDialog(const MeetingFilters& filters, ConfigUi& ui, QWidget* parent);
  MeetingFilters values() const;

 private:
  QCheckBox* holidays_;
  QCheckBox* private_;
  QCheckBox* cancelled_;
  QCheckBox* personal_;
};

struct LogOptions {
  bool log_events, success_log, sql_log, time_log;
};

// "Application Event Log Options"; clearing the first box warns.
class LogOptionsDialog : public QDialog {
 public:
  LogOptionsDialog(const LogOptions& options, ConfigUi& ui, QWidget* parent);
  LogOptions values() const;

 private:
  QCheckBox* events_;
  QCheckBox* success_;
  QCheckBox* sql_;
  QCheckBox* time_;
};

// "Add Group": at most 50 characters; an empty name keeps it open.
class AddGroupDialog : public QDialog {
 public:
  AddGroupDialog(ConfigUi& ui, QWidget* parent);
  std::string name() const;
  void accept() override;

 private:
  ConfigUi& ui_;
  QLineEdit* name_;
};

}  // namespace korvale::config
