#include "viewercontrol/windows/control_windows.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QVBoxLayout>
#include <QWidget>

namespace korvale::vistrel {

bool HostHasWindows() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

void QtMessageBoxes::Show(const std::string& text, MessageIcon icon) {
  QMessageBox box(icon == MessageIcon::kError ? QMessageBox::Critical : QMessageBox::Information, "Vistrel",
                  QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
  box.setObjectName("vistrelMessage");
  box.exec();
}

void ShowCalendarWindow(const automation::OpenedCalendar& calendar) {
  auto* window = new QWidget;
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setObjectName("calendarWindow");
  const QString owner = QString::fromStdString(calendar.owner_display_name);
  window->setWindowTitle("Calendar - " + owner);
  auto* layout = new QVBoxLayout(window);
  auto* heading = new QLabel(
      QString("Calendar of %1 (%2 appointments, times in UTC)").arg(owner).arg(calendar.appointments.size()),
      window);
  heading->setObjectName("heading");
  layout->addWidget(heading);
  auto* list = new QListWidget(window);
  list->setObjectName("appointments");
  for (const std::string& line : calendar.appointments) list->addItem(QString::fromStdString(line));
  layout->addWidget(list);
  window->resize(420, 300);
  window->show();
  window->raise();
}

}  // namespace korvale::vistrel
