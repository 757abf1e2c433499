#include "messaging/sendpage/friendlist.h"

#include "core/base/plaintext.h"

namespace tessan {

FriendList::FriendList(QObject* parent) : QAbstractTableModel(parent) {}

FriendList::~FriendList() = default;

void FriendList::AddOrUpdateFriend(const UserProfile& profile) {
    const QByteArray number = profile.RawText(UserProfile::Field::Number);
    const int found = FindRow(number);
    if (found >= 0) {
        Row& row = rows_[static_cast<std::size_t>(found)];
        row.profile = profile;
        row.rawNumber = number;
        row.number = profile.Number();
        row.name = profile.Name();
        emit dataChanged(index(found, 0), index(found, kColumnCount - 1));
        return;
    }
    const int at = rows_.empty() ? 0 : 1;
    beginInsertRows({}, at, at);
    rows_.insert(rows_.begin() + at, Row{profile, number, profile.Number(), profile.Name(), false});
    endInsertRows();
    if (dropTarget_ >= at) SetTarget(dropTarget_ + 1);
}

void FriendList::ClearFriends() {
    beginResetModel();
    rows_.clear();
    endResetModel();
    SetTarget(-1);
}

bool FriendList::SetFriendKey(const QByteArray& number, const QByteArray& publicKey) {
    const int row = FindRow(number);
    if (row < 0) return false;
    return rows_[static_cast<std::size_t>(row)].profile.SetRawText(UserProfile::Field::PublicKey,
                                                                   publicKey);
}

bool FriendList::RemoveFriend(const QByteArray& number) {
    const int row = FindRow(number);
    if (row < 0) return false;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
    if (dropTarget_ == row)
        SetTarget(-1);
    else if (dropTarget_ > row)
        SetTarget(dropTarget_ - 1);
    return true;
}

int FriendList::FindRow(QByteArrayView number) const {
    for (int i = 0; i < RowCount(); ++i)
        if (QByteArrayView(rows_[static_cast<std::size_t>(i)].rawNumber)
                .compare(number, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int FriendList::FindName(const QString& name) const {
    for (int i = 0; i < RowCount(); ++i)
        if (Name(i) == name) return i;
    return -1;
}

void FriendList::ChangedChecks(int first, int last) {
    if (first > last) return;
    emit dataChanged(index(first, kNumber), index(last, kNumber), {Qt::CheckStateRole});
}

void FriendList::SetChecked(int row, bool checked) {
    if (row < 0 || row >= RowCount()) return;
    bool& flag = rows_[static_cast<std::size_t>(row)].checked;
    if (flag == checked) return;
    flag = checked;
    ChangedChecks(row, row);
}

void FriendList::SetAllChecked(bool checked) {
    for (Row& row : rows_) row.checked = checked;
    ChangedChecks(0, RowCount() - 1);
}

std::vector<int> FriendList::CheckedRows() const {
    std::vector<int> rows;
    for (int i = 0; i < RowCount(); ++i)
        if (Checked(i)) rows.push_back(i);
    return rows;
}

bool FriendList::ToggleCheckAll() {
    allChecked_ = !allChecked_;
    SetAllChecked(allChecked_);
    return allChecked_;
}

void FriendList::SetTarget(int row) {
    if (row == dropTarget_) return;
    dropTarget_ = row;
    emit dropTargetChanged(row);
}

void FriendList::BeginDrag() {
    SetAllChecked(false);
    SetTarget(-1);
}

void FriendList::DragOver(int row) {
    if (row >= RowCount()) row = -1;
    if (row == dropTarget_ && row >= 0) return;
    if (dropTarget_ >= 0)
        SetChecked(dropTarget_, false);
    else
        SetAllChecked(false);
    if (row >= 0) SetChecked(row, true);
    SetTarget(row);
}

void FriendList::EndDragOutside() {
    SetAllChecked(false);
    SetTarget(-1);
}

int FriendList::Drop() {
    const int target = dropTarget_;
    if (target >= 0) SetChecked(target, true);
    SetTarget(-1);
    return target;
}

int FriendList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int FriendList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant FriendList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= RowCount()) return {};
    const int row = index.row();
    if (role == Qt::DisplayRole) return index.column() == kNumber ? Number(row) : Label(row);
    if (role == Qt::ToolTipRole)
        return PlainToolTip(index.column() == kNumber ? Number(row) : Label(row));
    if (role == Qt::CheckStateRole && index.column() == kNumber)
        return Checked(row) ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool FriendList::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != kNumber || role != Qt::CheckStateRole) return false;
    SetChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags FriendList::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (index.column() == kNumber) flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant FriendList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section == kNumber ? QStringLiteral("用户ID") : QStringLiteral("用户名称");
}

Qt::DropActions FriendList::supportedDropActions() const {
    return Qt::CopyAction;
}

}  // namespace tessan
