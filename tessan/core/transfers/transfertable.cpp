#include "core/transfers/transfertable.h"

#include "core/base/gbk.h"

#include <array>

namespace tessan {

QString TransferTable::StateText(TransferState state, const QByteArray& percentText) {
    switch (state) {
        case TransferState::WaitingUpload:
        case TransferState::FindingServer:
        case TransferState::UploadStarted:
            return QStringLiteral("等待上传");
        case TransferState::Uploading:
            return QStringLiteral("上传:") + GbkToQString(percentText);
        case TransferState::WaitingDownload:
        case TransferState::DownloadRequested:
            return QStringLiteral("等待下载");
        case TransferState::Downloading:
            return QStringLiteral("下载:") + GbkToQString(percentText);
    }
    return {};
}

TransferTable::TransferTable(QObject* parent) : QAbstractTableModel(parent) {}

TransferTable::~TransferTable() = default;

int TransferTable::Append(TransferRow row) {
    const int index = RowCount();
    beginInsertRows({}, index, index);
    rows_.push_back(std::move(row));
    endInsertRows();
    return index;
}

void TransferTable::Remove(int row) {
    if (row < 0 || row >= RowCount()) return;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void TransferTable::Clear() {
    if (rows_.empty()) return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void TransferTable::SetState(int row, TransferState state) {
    if (row < 0 || row >= RowCount()) return;
    TransferRow& r = rows_[static_cast<std::size_t>(row)];
    const QString before = StateText(r.state, r.percentText);
    r.state = state;
    if (StateText(r.state, r.percentText) == before) return;
    const QModelIndex cell = index(row, kState);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void TransferTable::SetFindingServer(int row, std::uint64_t ticket) {
    if (row < 0 || row >= RowCount()) return;
    rows_[static_cast<std::size_t>(row)].lookup = ticket;
    SetState(row, TransferState::FindingServer);
}

int TransferTable::FindLookup(std::uint64_t ticket) const {
    for (int row = 0; row < RowCount(); ++row) {
        const TransferRow& r = rows_[static_cast<std::size_t>(row)];
        if (r.state == TransferState::FindingServer && r.lookup == ticket) return row;
    }
    return -1;
}

void TransferTable::SetProgress(int row, const QByteArray& percentText, std::uint16_t percent,
                                std::int64_t fileSize, std::int64_t nowMs) {
    if (row < 0 || row >= RowCount()) return;
    TransferRow& r = rows_[static_cast<std::size_t>(row)];
    const QString stateBefore = StateText(r.state, r.percentText);
    const QString rateBefore = r.rate.Text();
    const bool download = !r.item->IsUpload();
    r.state = download ? TransferState::Downloading : TransferState::Uploading;
    r.percentText = percentText;
    r.rate.Notice(nowMs, percent, fileSize);
    const bool stateChanged = StateText(r.state, r.percentText) != stateBefore;
    const bool rateChanged = r.rate.Text() != rateBefore;
    if (!stateChanged && !rateChanged) return;
    emit dataChanged(index(row, stateChanged ? kState : kRate),
                     index(row, rateChanged ? kRate : kState), {Qt::DisplayRole});
}

QString TransferTable::Cell(int row, int column) const {
    if (row < 0 || row >= RowCount()) return {};
    const TransferRow& r = rows_[static_cast<std::size_t>(row)];
    switch (column) {
        case kName:
            return r.name;
        case kSize:
            return r.size;
        case kState:
            return StateText(r.state, r.percentText);
        case kRate:
            return r.rate.Text();
        case kSentTo:
            return r.sentTo;
        case kReceivedFrom:
            return r.receivedFrom;
        default:
            return {};
    }
}

int TransferTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int TransferTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant TransferTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    return Cell(index.row(), index.column());
}

QVariant TransferTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const std::array<QString, kColumnCount> headings = {
        QStringLiteral("文件名"),    QStringLiteral("大小"),   QStringLiteral("状态"),
        QStringLiteral("速度/剩余"), QStringLiteral("发送给"), QStringLiteral("接收至")};
    if (section < 0 || section >= kColumnCount) return {};
    return headings[static_cast<std::size_t>(section)];
}

}  // namespace tessan
