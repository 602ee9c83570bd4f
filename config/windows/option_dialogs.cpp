#include "config/windows/option_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "config/screens/group_list.h"
#include "config/screens/option_screens.h"
#include "config/windows/widget_helpers.h"

namespace korvale::config {

namespace {

QDialogButtonBox* OkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

QComboBox* AttributeList(QWidget* parent, int value) {
  auto* list = new QComboBox(parent);
  list->setObjectName("attribute");
  for (const std::string& choice : AttributeChoices()) list->addItem(Q(choice));
  list->setCurrentIndex(value >= 0 && value <= 10 ? value : 0);
  return list;
}

QCheckBox* Check(QWidget* parent, const char* name, const char* text, bool on) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(name);
  box->setChecked(on);
  return box;
}

}  // namespace

DbUserDialog::DbUserDialog(const std::string& user, const std::string& password, ConfigUi& ui,
                           QWidget* parent)
    : QDialog(parent), ui_(ui) {
  setWindowTitle("Korvale Database Access Properties");
  auto* form = new QFormLayout(this);
  user_ = new QLineEdit(Q(user), this);
  user_->setObjectName("user");
  password_ = new QLineEdit(Q(password), this);
  password_->setObjectName("password");
  password_->setEchoMode(QLineEdit::Password);
  verify_ = new QLineEdit(Q(password), this);
  verify_->setObjectName("verify");
  verify_->setEchoMode(QLineEdit::Password);
  form->addRow("Username:", user_);
  form->addRow("Password:", password_);
  form->addRow("Verify Password:", verify_);
  form->addRow(OkCancel(this));
}

std::string DbUserDialog::user() const { return user_->text().toStdString(); }
std::string DbUserDialog::password() const { return password_->text().toStdString(); }

void DbUserDialog::accept() {
  if (CheckPasswordsMatch(password(), verify_->text().toStdString(), ui_)) QDialog::accept();
}

SecurityDialog::SecurityDialog(int level, int attribute, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Security");
  auto* layout = new QVBoxLayout(this);
  levels_ = new QButtonGroup(this);
  const char* names[] = {"none", "minimal", "full"};
  const char* texts[] = {"No security", "Minimal security", "Full security"};
  for (int i = 0; i < 3; ++i) {
    auto* button = new QRadioButton(texts[i], this);
    button->setObjectName(names[i]);
    levels_->addButton(button, i);
    layout->addWidget(button);
    if (i == 1) {
      attribute_ = AttributeList(this, attribute);
      layout->addWidget(attribute_);
    }
  }
  levels_->button(level >= 0 && level <= 2 ? level : 0)->setChecked(true);
  auto sync = [this] { attribute_->setEnabled(levels_->checkedId() == kSecurityMinimal); };
  connect(levels_, &QButtonGroup::idClicked, this, sync);
  sync();
  layout->addWidget(OkCancel(this));
}

int SecurityDialog::level() const { return levels_->checkedId(); }
int SecurityDialog::attribute() const { return level() == kSecurityMinimal ? attribute_->currentIndex() : 0; }

BookingDialog::BookingDialog(int attribute, const std::string& prefix, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Meeting booking");
  auto* layout = new QVBoxLayout(this);
  auto* everybody = new QRadioButton("Everybody is allowed to book meetings", this);
  everybody->setObjectName("everybody");
  restricted_ = new QRadioButton("Meeting booking is restricted to a closed user group", this);
  restricted_->setObjectName("restricted");
  attribute_ = AttributeList(this, attribute);
  (attribute >= 1 ? restricted_ : everybody)->setChecked(true);
  attribute_->setEnabled(attribute >= 1);
  connect(restricted_, &QRadioButton::toggled, attribute_, &QComboBox::setEnabled);
  prefix_ = new QLineEdit(Q(prefix), this);
  prefix_->setObjectName("prefix");
  prefix_->setMaxLength(1024);
  layout->addWidget(everybody);
  layout->addWidget(restricted_);
  layout->addWidget(attribute_);
  layout->addWidget(new QLabel(" Prefix for appts booked with the browser:", this));
  layout->addWidget(prefix_);
  layout->addWidget(OkCancel(this));
}

int BookingDialog::attribute() const { return restricted_->isChecked() ? attribute_->currentIndex() : 0; }
std::string BookingDialog::prefix() const { return prefix_->text().toStdString(); }

FiltersDialog::FiltersDialog(const MeetingFilters& f, ConfigUi& ui, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Meeting Filters");
  auto* layout = new QVBoxLayout(this);
  holidays_ = Check(this, "holidays", "Suppress public holidays and meetings categorized as 'Holiday'",
                    f.suppress_holidays);
  private_ = Check(this, "private", "Suppress meetings marked as 'Private'", f.show_no_private);
  cancelled_ = Check(this, "cancelled", "Suppress Cancelled Meetings", f.skip_cancelled);
  personal_ = Check(this, "personal", "Show meetings with sensitivity 'Personal'", f.show_personal);
  connect(holidays_, &QCheckBox::clicked, this, [&ui](bool on) {
    if (!on) WarnHolidaysShown(ui);
  });
  for (QWidget* w : {static_cast<QWidget*>(holidays_), static_cast<QWidget*>(private_),
                     static_cast<QWidget*>(cancelled_), static_cast<QWidget*>(personal_)}) {
    layout->addWidget(w);
  }
  layout->addWidget(OkCancel(this));
}

MeetingFilters FiltersDialog::values() const {
  return {holidays_->isChecked(), private_->isChecked(), cancelled_->isChecked(), personal_->isChecked()};
}

LogOptionsDialog::LogOptionsDialog(const LogOptions& o, ConfigUi& ui, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Application Event Log Options");
  auto* layout = new QVBoxLayout(this);
  events_ = Check(this, "logEvents", "Log all Errors to the Event Log", o.log_events);
  success_ = Check(this, "successLog", "Log successful completion of scan cycle", o.success_log);
  sql_ = Check(this, "sqlLog", "Log all database operations", o.sql_log);
  time_ = Check(this, "timeLog", "Log time used for each user", o.time_log);
  connect(events_, &QCheckBox::clicked, this, [&ui](bool on) {
    if (!on) WarnEventLogOff(ui);
  });
  for (QWidget* w : {static_cast<QWidget*>(events_), static_cast<QWidget*>(success_),
                     static_cast<QWidget*>(sql_), static_cast<QWidget*>(time_)}) {
    layout->addWidget(w);
  }
  layout->addWidget(OkCancel(this));
}

LogOptions LogOptionsDialog::values() const {
  return {events_->isChecked(), success_->isChecked(), sql_->isChecked(), time_->isChecked()};
}

AddGroupDialog::AddGroupDialog(ConfigUi& ui, QWidget* parent) : QDialog(parent), ui_(ui) {
  setWindowTitle("Add Group");
  auto* layout = new QVBoxLayout(this);
  auto* prompt = new QLabel(kAddGroupPrompt, this);
  prompt->setWordWrap(true);
  name_ = new QLineEdit(this);
  name_->setObjectName("groupName");
  name_->setMaxLength(kMaxGroupNameLength);
  layout->addWidget(prompt);
  layout->addWidget(name_);
  layout->addWidget(OkCancel(this));
}

std::string AddGroupDialog::name() const { return name_->text().toStdString(); }

void AddGroupDialog::accept() {
  if (CheckGroupName(name(), ui_)) QDialog::accept();
}

}  // namespace korvale::config
