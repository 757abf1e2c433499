// FriendList: the send page's friends, one row per friend with a check box, each row holding its
// own copy of the friend's whole profile. The address book keeps it in step through
// AddOrUpdateFriend, ClearFriends, SetFriendKey and RemoveFriend; the send page checks rows, finds
// friends by name and follows a drag of files across the rows.
#pragma once

#include "core/records/userprofile.h"

#include <QAbstractTableModel>
#include <QString>

#include <vector>

namespace tessan {

class FriendList final : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { kNumber = 0, kName = 1 };
    static constexpr int kColumnCount = 2;

    explicit FriendList(QObject* parent = nullptr);
    ~FriendList() override;

    // The address book's operations; numbers and keys are GBK, as in the records.
  public slots:
    // A friend not yet listed goes in as the second row (the first ever added stays on top);
    // a listed one keeps its row and takes the new profile, texts included.
    void AddOrUpdateFriend(const tessan::UserProfile& profile);
    void ClearFriends();
    // Puts `publicKey` into the listed friend's profile; false when the number is not listed or
    // the key does not fit.
    bool SetFriendKey(const QByteArray& number, const QByteArray& publicKey);
    // False when the number is not listed.
    bool RemoveFriend(const QByteArray& number);

  public:
    // The row of `number`, compared ignoring letter case; -1 when none.
    int FindRow(QByteArrayView number) const;
    // The first row whose name equals `name` exactly; -1 when none.
    int FindName(const QString& name) const;

    int RowCount() const { return static_cast<int>(rows_.size()); }
    const UserProfile& Profile(int row) const {
        return rows_[static_cast<std::size_t>(row)].profile;
    }
    QString Number(int row) const { return rows_[static_cast<std::size_t>(row)].number; }
    QString Name(int row) const { return rows_[static_cast<std::size_t>(row)].name; }
    // What the user sees for the friend: the name, or the number when the name is empty.
    QString Label(int row) const { return Name(row).isEmpty() ? Number(row) : Name(row); }

    bool Checked(int row) const { return rows_[static_cast<std::size_t>(row)].checked; }
    void SetChecked(int row, bool checked);
    void SetAllChecked(bool checked);
    std::vector<int> CheckedRows() const;

    // "全选": the first press checks every row, the next unchecks them, and so on; the state
    // belongs to the button, not to the rows. Returns the state after the press.
    bool ToggleCheckAll();

    // Files dragged across the rows: the drag's start unchecks every row; the row under the
    // pointer is checked and becomes the target (the previous target is unchecked); leaving the
    // rows unchecks every row. The target is what a drop sends to.
    void BeginDrag();
    void DragOver(int row);
    void EndDragOutside();
    int DropTarget() const { return dropTarget_; }
    // The drop: the target stays checked and is returned; -1 when there was none.
    int Drop();

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::DropActions supportedDropActions() const override;

  signals:
    // The drag target changed (-1: none); the view highlights that row.
    void dropTargetChanged(int row);

  private:
    struct Row {
        UserProfile profile;
        QByteArray rawNumber;
        QString number;
        QString name;
        bool checked = false;
    };
    void SetTarget(int row);
    void ChangedChecks(int first, int last);

    std::vector<Row> rows_;
    bool allChecked_ = false;
    int dropTarget_ = -1;
};

}  // namespace tessan
