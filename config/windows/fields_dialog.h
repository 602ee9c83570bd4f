// "Korvale Additional Fields to Scan": shows a FieldsScreen and hands its
// lists to it; OK writes them into a copy of the record (`settings()`).
#pragma once

#include <QDialog>

#include "config/config_settings.h"
#include "config/config_ui.h"
#include "config/screens/fields_screen.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace korvale::config {

class FieldsDialog : public QDialog {
 public:
  FieldsDialog(const ConfigSettings& settings, ConfigUi& ui, QWidget* parent);
  const ConfigSettings& settings() const { return settings_; }
  void accept() override;

 private:
  void Refill();
  void ShowDescription(QListWidget* list, const std::vector<FieldItem>& items);
  void MoveField();
  void MoveFilter();
  void FilterSelected();

  ConfigSettings settings_;
  ConfigUi& ui_;
  FieldsScreen screen_;
  QListWidget* available_;
  QListWidget* selected_;
  QListWidget* filters_;
  QLabel* description_;
  QLineEdit* custom_name_;
  QComboBox* custom_type_;
  QLineEdit* display_;
  QComboBox* logic_;
  QLineEdit* select_;
  QListWidget* last_field_list_ = nullptr;
};

}  // namespace korvale::config
