// AddressBook: the rules of the address book page and the model its list shows. It owns the entry
// list (one owned copy of the whole profile per row, the own account first), turns the user's add,
// delete and modify into library requests, and changes the list only when the server's answers
// arrive. The page shows the rows and the selected entry's details; the send page's friend list
// follows through the friend* signals.
#pragma once

#include "core/base/messageboxes.h"
#include "core/library/library.h"
#include "core/library/notifications.h"
#include "core/records/accounttext.h"
#include "core/records/userprofile.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tessan {

class LoginState;

// The detail boxes of the page, in the order the page lays them out.
enum class DetailField {
    CountryCode,
    AreaCode,
    PersonalNumber,
    Type,
    PublicKey,
    Name,
    Country,
    Province,
    Mobile,
    WebAddress,
    PostCode,
    Company,
    Phone,
    Fax,
    Videophone,
    PostalAddress,
    Occupation,
    PrivateKey,  // kept with the details, never shown
};
inline constexpr std::size_t kDetailFieldCount = 18;

struct DetailSpec {
    DetailField field;
    const char16_t* label;
    // The most GBK bytes the box takes.
    int limit;
    // Read-only once an entry is selected (the public key alone stays editable).
    bool readOnlyAfterSelection;
    // The profile field the box shows and writes back; none for the number's parts and the type.
    std::optional<UserProfile::Field> profileField;
};
const std::array<DetailSpec, kDetailFieldCount>& DetailSpecs();
const DetailSpec& SpecOf(DetailField field);

using Details = std::array<QString, kDetailFieldCount>;
inline QString& At(Details& d, DetailField f) {
    return d[static_cast<std::size_t>(f)];
}
inline const QString& At(const Details& d, DetailField f) {
    return d[static_cast<std::size_t>(f)];
}

// The boxes' texts for a profile; nothing when its number has fewer than two dashes.
std::optional<Details> DetailsOf(const UserProfile& profile);
// Writes the boxes back: the number is "%s-%s-%s" of its three parts, every other field but the
// type into its profile field. The type and the reserved bytes keep their values.
void ReadDetailsInto(const Details& details, UserProfile& profile);

// The fixed help text beside the details.
QString AddressBookHelpText();
// "好友列表  %d/%d": the list's column header with a 0-based selected row.
QString AddressBookHeader(int selectedRow, int count);

class AddressBook final : public QAbstractTableModel {
    Q_OBJECT
  public:
    using Notice = std::function<void(const QString& text, bool error)>;

    // Hears the own login's resets, profile and answers through `login`. All references must
    // outlive the address book; currentAccount is read at each use.
    AddressBook(LoginState& login, Library& library, MessageBoxes& boxes,
                const AccountText& currentAccount, Notice notice, QObject* parent = nullptr);
    ~AddressBook() override;

    // The entry list.
    int Count() const { return static_cast<int>(rows_.size()); }
    const QByteArray& NumberAt(int row) const {
        return rows_[static_cast<std::size_t>(row)].number;
    }
    const UserProfile& ProfileAt(int row) const {
        return *rows_[static_cast<std::size_t>(row)].profile;
    }
    // The row whose number equals `number` (letter case ignored), or -1.
    int Find(QByteArrayView number) const;
    int Selected() const { return selected_; }
    void Select(int row);
    // The page comes into view on the own entry when it is listed.
    void SelectOwn();
    // A click on the list: its header counts the selected row ("好友列表  2/3").
    void CountInHeader();
    // Shown when the page comes into view and on every selection: the selected entry's details.
    std::optional<Details> SelectedDetails() const;
    bool ModifyEnabled() const { return modifyEnabled_; }

    // Called by the notification handling below and by the registration result.
    void AddOrUpdateEntry(const UserProfile& profile);
    void RemoveEntry(QByteArrayView number);
    void SetEntryKey(QByteArrayView number, QByteArrayView key);
    void ClearEntries();

    // "添加" once the add-friend dialog ended with both values.
    void Add(const QString& number, const QString& key);
    // "删除": asks first; nothing without a selection.
    void DeleteSelected();
    // "修改" with the boxes' texts as they are now.
    void ModifySelected(const Details& boxes);

    // Notifications.
    void LoginReset();                                   // 1, own account, before the login dialog
    void ConnectionLost();                               // 42, own account
    void AddResult(const FriendAnswer& answer);          // 13
    void DeleteResult(const FriendAnswer& answer);       // 15
    void ChangeResult(const FriendAnswer& answer);       // 17
    void ProfileChangeResult(const Reply& reply);        // 19
    void Entries(const Reply& reply);                    // 28
    void OwnProfileArrived(const UserProfile& profile);  // 32

    // QAbstractTableModel: one column, the numbers.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  signals:
    void selectionChanged(int row);
    void modifyEnabledChanged(bool enabled);
    // The send page's friend list keeps in step with these.
    void friendAddedOrUpdated(const tessan::UserProfile& profile);
    void friendRemoved(const QByteArray& number);
    void friendKeyChanged(const QByteArray& number, const QByteArray& key);
    void friendsCleared();

  private:
    struct Row {
        QByteArray number;
        std::unique_ptr<UserProfile> profile;
    };
    bool IsOwn(QByteArrayView number) const;
    void SetModifyEnabled(bool enabled);
    void RowChanged(int row);

    Library& library_;
    MessageBoxes& boxes_;
    const AccountText& currentAccount_;
    Notice notice_;
    std::vector<Row> rows_;
    int selected_ = -1;
    bool modifyEnabled_ = true;
    QString header_;
};

}  // namespace tessan
