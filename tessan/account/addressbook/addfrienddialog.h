// AddFriendDialog: "添加好友", the friend's number and then the friend's public key in one box.
// The caller runs it modally and reads Flow(): only step 2 means both values were given.
#pragma once

#include "account/addressbook/addfriendflow.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tessan {

class AddFriendDialog final : public QDialog {
    Q_OBJECT
  public:
    AddFriendDialog(MessageBoxes& boxes, QWidget* parent = nullptr);

    const AddFriendFlow& Flow() const { return flow_; }

  private:
    void Next();
    void Back();
    void ShowView();

    AddFriendFlow flow_;
    QLabel* prompt_;
    QLineEdit* edit_;
    QPushButton* back_;
    QPushButton* next_;
};

}  // namespace tessan
