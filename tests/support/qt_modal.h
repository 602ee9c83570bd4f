// Driving modal windows from a test: exec() blocks the test's own code, so
// what is to happen in the next modal window is scheduled before the click
// that opens it, and runs once that window is the active modal one.
//
//   OnModal<AddGroupDialog>([](AddGroupDialog* d) { ...; d->accept(); });
//   QTest::mouseClick(add_button, Qt::LeftButton);
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace korvale::testing {

template <class Dialog>
void OnModal(std::function<void(Dialog*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    timer->stop();
    timer->deleteLater();
    act(dialog);
  });
  timer->start();
}

}  // namespace korvale::testing
