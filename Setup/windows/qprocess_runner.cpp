#include "Setup/windows/qprocess_runner.h"

#include <QApplication>
#include <QProcess>

namespace korvale::setup {

std::optional<int> QProcessRunner::Run(const std::string& program, const std::vector<std::string>& args) {
  QStringList arguments;
  for (const std::string& a : args) arguments << QString::fromStdString(a);
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedChannels);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  process.start(QString::fromStdString(program), arguments);
  bool started = process.waitForStarted(-1);
  if (started) process.waitForFinished(-1);
  QApplication::restoreOverrideCursor();
  if (!started) return std::nullopt;
  if (process.exitStatus() != QProcess::NormalExit) return -1;
  return process.exitCode();
}

}  // namespace korvale::setup
