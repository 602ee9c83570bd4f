// The address book dialog that the mail system layer's IAddrBook::Address
// shows here: the directory's mailboxes and distribution lists on the left,
// the one destination well on the right ("Mailboxes / DLs to scan:"),
// pre-filled with the caller's entries. `InstallQtAddressDialog` makes it the
// process's dialog, owned by the given window.
#pragma once

#include <QDialog>
#include <QPointer>
#include <vector>

#include "platform/mapi/address_dialog.h"

class QLineEdit;
class QListWidget;

namespace korvale::config {

class AddressBookDialog : public QDialog {
 public:
  AddressBookDialog(const mapi::AddressDialogRequest& request, QWidget* parent);
  // The well's entries, in order.
  std::vector<mapi::AddressEntry> selected() const { return selected_; }

 private:
  void Filter(const QString& text);
  void AddChosen();
  void RemoveChosen();
  void FillWell();

  std::vector<mapi::AddressEntry> directory_;
  std::vector<mapi::AddressEntry> selected_;
  QLineEdit* search_;
  QListWidget* directory_list_;
  QListWidget* well_;
};

// Installs the dialog for the process, owned by `owner` (may be null).
void InstallQtAddressDialog(QWidget* owner);

}  // namespace korvale::config
