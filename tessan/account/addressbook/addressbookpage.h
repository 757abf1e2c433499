// AddressBookPage: "地址簿", the own account and its friends by number, the selected entry's whole
// profile, and add, delete and modify. The rules and the entries live in the page's AddressBook,
// which the server's answers reach through the notifications; the list shows it as its model. The
// send page's friend list and the registration follow the book through its signals and operations.
#pragma once

#include "account/addressbook/addressbook.h"
#include "core/frame/page.h"

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace tessan {

class LoginState;

class AddressBookPage final : public Page {
    Q_OBJECT
  public:
    // Runs the add-friend dialog; returns the number and key when both were given.
    using AskFriend = std::function<std::optional<std::pair<QString, QString>>()>;

    // The book asks the library on the own connection and hears its answers through `login`.
    // Everything must outlive the page.
    AddressBookPage(ClientSession& session, LoginState& login, Library& library,
                    MessageBoxes& boxes, QWidget* parent = nullptr);

    AddressBook& Book() { return book_; }
    // Each time the page comes into view: the selected entry's details. False without a selection.
    bool ShowSelectedEntry();
    // Each time the page comes into view: the own entry, selected and shown.
    void Shown() override;
    // Tests replace the modal dialog.
    void SetAskFriend(AskFriend ask) { askFriend_ = std::move(ask); }

    QTableView* List() const { return list_; }
    QLineEdit* Box(DetailField field) const { return boxes_[static_cast<std::size_t>(field)]; }

  private:
    void SelectionChanged(int row);
    void ListSelectionChanged();
    void Clicked();
    void ShowDetails(const Details& details);
    Details BoxTexts() const;
    void AddClicked();

    AddressBook book_;
    AskFriend askFriend_;
    QTableView* list_;
    std::array<QLineEdit*, kDetailFieldCount> boxes_{};
    QPushButton* add_;
    QPushButton* delete_;
    QPushButton* modify_;
    QLabel* help_;
};

}  // namespace tessan
