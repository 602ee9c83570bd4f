// The configuration library's user interface as Qt shows it: message boxes
// and questions owned by the current window, the small progress window
// without caption, and the wait cursor.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "config/config_ui.h"

class QLabel;

namespace korvale::config {

class QtConfigUi : public ConfigUi {
 public:
  QtConfigUi();
  ~QtConfigUi() override;
  // The window that owns the boxes (the active window when none is set).
  void SetOwner(QWidget* owner) { owner_ = owner; }

  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
  bool AskYesNo(const std::string& text, const std::string& title, MessageIcon icon) override;
  void ShowProgress(const std::string& text) override;
  void CloseProgress() override;
  void SetWaitCursor(bool on) override;
  std::optional<std::size_t> ChooseFromList(const std::string& title, const std::string& caption,
                                            const std::vector<std::string>& items,
                                            std::size_t preselected) override;
  std::optional<std::string> AskText(const std::string& title, const std::string& caption,
                                     const std::string& preset) override;

 private:
  QWidget* Owner() const;
  QPointer<QWidget> owner_;
  std::unique_ptr<QWidget> progress_;
  QLabel* progress_text_ = nullptr;
  int wait_depth_ = 0;
};

}  // namespace korvale::config
