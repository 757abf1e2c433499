#include "messaging/received/receivedfilesmodel.h"

#include "core/base/gbk.h"

#include <QDateTime>

#include <algorithm>

namespace tessan {

namespace {
const QString& Heading(int column) {
    static const QString headings[ReceivedFilesModel::kColumnCount] = {
        QStringLiteral("文件名"), QStringLiteral("发送者号码"), QStringLiteral("发送者姓名"),
        QStringLiteral("文件长度"), QStringLiteral("发送日期")};
    return headings[column];
}
}  // namespace

ReceivedFilesModel::ReceivedFilesModel(QObject* parent) : QAbstractTableModel(parent) {}

int ReceivedFilesModel::AddEntries(const std::vector<ReceivedFileEntry>& entries) {
    std::vector<Row> fresh;
    fresh.reserve(entries.size());
    for (const ReceivedFileEntry& e : entries) {
        if (keys_.contains(e.storedName)) continue;
        keys_.insert(e.storedName);
        Row row;
        row.storedName = e.storedName;
        row.fileName = e.FileName();
        row.senderNumber = e.senderNumber;
        row.senderName = e.senderName;
        row.senderKey = e.senderKey;
        row.fileSize = e.fileSize;
        row.sentTime = e.sentTime;
        row.fileNameText = GbkToQString(row.fileName);
        row.senderNumberText = GbkToQString(row.senderNumber);
        row.senderNameText = GbkToQString(row.senderName);
        row.sizeText = SizeText(e.fileSize);
        fresh.push_back(std::move(row));
    }
    if (fresh.empty()) return 0;

    const int added = static_cast<int>(fresh.size());
    beginInsertRows({}, 0, added - 1);
    for (Row& row : fresh) {
        totalBytes_ += row.fileSize;
        ++fileCount_;
        rows_.push_back(std::move(row));
    }
    endInsertRows();
    return added;
}

void ReceivedFilesModel::Clear() {
    beginResetModel();
    rows_.clear();
    keys_.clear();
    fileCount_ = 0;
    totalBytes_ = 0;
    endResetModel();
}

const ReceivedFilesModel::Row& ReceivedFilesModel::At(int row) const {
    return rows_[Slot(row)];
}

int ReceivedFilesModel::Find(const QByteArray& storedName) const {
    if (!keys_.contains(storedName)) return -1;
    for (int row = 0; row < RowCount(); ++row)
        if (At(row).storedName == storedName) return row;
    return -1;
}

QString ReceivedFilesModel::DateText(int row) const {
    const Row& r = At(row);
    if (r.dateText.isEmpty()) r.dateText = FormatDate(r.sentTime);
    return r.dateText;
}

void ReceivedFilesModel::SetChecked(int row, bool checked) {
    Row& r = rows_[Slot(row)];
    if (r.checked == checked) return;
    r.checked = checked;
    const QModelIndex cell = index(row, kFileName);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

void ReceivedFilesModel::SetAllChecked(bool checked) {
    for (Row& r : rows_) r.checked = checked;
    if (!rows_.empty())
        emit dataChanged(index(0, kFileName), index(RowCount() - 1, kFileName),
                         {Qt::CheckStateRole});
}

int ReceivedFilesModel::CheckedCount() const {
    return static_cast<int>(
        std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.checked; }));
}

ReceivedFilesModel::SpaceSummary ReceivedFilesModel::Summary(std::int64_t quota) const {
    SpaceSummary s;
    s.text = QStringLiteral("共有文件:%1个,总长度:%2KB,剩余空间:%3KB.")
                 .arg(fileCount_)
                 .arg(Kilobytes(totalBytes_))
                 .arg(Kilobytes(quota - totalBytes_));
    // Units of 10 KB. A bar cannot show more than full: space used beyond the quota fills it.
    s.barMaximum = static_cast<int>(std::clamp<std::int64_t>(quota / 10240, 0, INT32_MAX));
    s.barValue = static_cast<int>(std::clamp<std::int64_t>(totalBytes_ / 10240, 0, s.barMaximum));
    return s;
}

std::int64_t ReceivedFilesModel::Kilobytes(std::int64_t bytes) {
    return bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
}

QString ReceivedFilesModel::SizeText(std::uint32_t bytes) {
    return QString::number(Kilobytes(bytes)) + QStringLiteral("KB");
}

QString ReceivedFilesModel::FormatDate(std::uint32_t secondsSince1970) {
    return QDateTime::fromSecsSinceEpoch(secondsSince1970)
        .toLocalTime()
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

int ReceivedFilesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int ReceivedFilesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant ReceivedFilesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= RowCount()) return {};
    const Row& r = At(index.row());
    if (role == Qt::CheckStateRole && index.column() == kFileName)
        return r.checked ? Qt::Checked : Qt::Unchecked;
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case kFileName:
            return r.fileNameText;
        case kSenderNumber:
            return r.senderNumberText;
        case kSenderName:
            return r.senderNameText;
        case kSize:
            return r.sizeText;
        case kDate:
            return DateText(index.row());
    }
    return {};
}

bool ReceivedFilesModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != kFileName || role != Qt::CheckStateRole) return false;
    SetChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags ReceivedFilesModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == kFileName) f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant ReceivedFilesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumnCount)
        return {};
    return Heading(section);
}

}  // namespace tessan
