// The choosers of the directory lookups as Qt shows them: a caption above a
// list (organisations, administrative groups, sites, servers, the Exchange
// version) and a one-line text question (the Exchange 5.x server name).
#pragma once

#include <QDialog>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class QLineEdit;
class QListWidget;

namespace korvale::config {

class ListChooserDialog : public QDialog {
 public:
  ListChooserDialog(const std::string& title, const std::string& caption,
                    const std::vector<std::string>& items, std::size_t preselected, QWidget* parent);
  // The chosen position after OK.
  std::optional<std::size_t> chosen() const;
  void accept() override;

 private:
  QListWidget* list_;
};

class TextQuestionDialog : public QDialog {
 public:
  TextQuestionDialog(const std::string& title, const std::string& caption, const std::string& preset,
                     QWidget* parent);
  std::string text() const;

 private:
  QLineEdit* text_;
};

}  // namespace korvale::config
