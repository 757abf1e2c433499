#include "core/transferlist.h"

#include "core/gbk.h"
#include "core/globals.h"
#include "core/transferlog.h"

namespace tessan {

using Field = TransferItem::Field;
using Direction = TransferItem::Direction;

const QString TransferList::kWaitingUpload = QStringLiteral("等待上传");
const QString TransferList::kWaitingDownload = QStringLiteral("等待下载");

TransferList::TransferList(Library& library, QString appDir, NoticeFn notice, Clock clock,
                           QObject* parent)
    : QAbstractTableModel(parent),
      library_(library),
      appDir_(std::move(appDir)),
      notice_(std::move(notice)),
      clock_(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); })) {}

TransferList::~TransferList() = default;

TransferList::Cells TransferList::UploadCells(const TransferItem& item, qint64 sizeInBytes) {
    return {item.Text(Field::RemoteName), QString::number(sizeInBytes), kWaitingUpload,
            item.Text(Field::PeerName), QString()};
}

TransferList::Cells TransferList::DownloadCells(const TransferItem& item, const QString& fileName,
                                                const QString& sizeText) {
    return {fileName, sizeText, kWaitingDownload, QString(), item.Text(Field::PeerNumber)};
}

int TransferList::AppendRow(const Cells& cells, std::unique_ptr<TransferItem> item) {
    const int row = RowCount();
    beginInsertRows({}, row, row);
    rows_.push_back({cells, std::move(item)});
    endInsertRows();
    return row;
}

const TransferItem* TransferList::Item(int row) const {
    if (row < 0 || row >= RowCount()) return nullptr;
    return rows_[static_cast<std::size_t>(row)].item.get();
}

QString TransferList::Cell(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0 || column >= kColumnCount) return {};
    return rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
}

int TransferList::FindLast(Direction direction, const QByteArray& peerNumber,
                           const QString& name) const {
    for (int row = RowCount() - 1; row >= 0; --row) {
        const Row& r = rows_[static_cast<std::size_t>(row)];
        if (r.item && r.item->direction() == direction &&
            r.item->Raw(Field::PeerNumber) == peerNumber && r.cells[kName] == name)
            return row;
    }
    return -1;
}

void TransferList::RemoveRow(int row) {
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void TransferList::SetState(int row, const QString& state) {
    rows_[static_cast<std::size_t>(row)].cells[kState] = state;
    const QModelIndex cell = index(row, kState);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void TransferList::HandleProgress(const Progress& progress) {
    const QString percent = GbkToQString(progress.percentText);
    if (progress.direction == static_cast<std::uint8_t>(Direction::Upload)) {
        const int row =
            FindLast(Direction::Upload, progress.account, GbkToQString(progress.fileName));
        if (row < 0) return;
        if (progress.percent != 100)
            SetState(row, QStringLiteral("上传:") + percent);
        else
            CompleteUpload(row);
        return;
    }
    if (progress.direction != static_cast<std::uint8_t>(Direction::Download)) return;
    // "sender@name": split at the first "@" of the text (a GBK trail byte may equal '@').
    const QString stored = GbkToQString(progress.fileName);
    const qsizetype at = stored.indexOf(QLatin1Char('@'));
    if (at < 0) return;
    const QString fileName = stored.mid(at + 1);
    const int row = FindLast(Direction::Download, QStringToGbk(stored.left(at)), fileName);
    if (row < 0) return;
    if (progress.percent != 100)
        SetState(row, QStringLiteral("下载:") + percent);
    else
        CompleteDownload(row, QStringToGbk(fileName));
}

void TransferList::CompleteUpload(int row) {
    const TransferItem& item = *rows_[static_cast<std::size_t>(row)].item;
    WriteTransferLog(appDir_, CurrentAccount.Bytes(),
                     SendLogLine(clock_(), item.Raw(Field::AccountNumber),
                                 item.Raw(Field::PeerName), item.Raw(Field::RemoteName)),
                     TransferLog::Send);
    notice_(QStringLiteral("文件：%1成功发送给:%2！")
                .arg(item.Text(Field::RemoteName), item.Text(Field::PeerName)),
            false);
    RemoveRow(row);
    StartNextUpload(Refusal::Short);
}

void TransferList::CompleteDownload(int row, const QByteArray& fileName) {
    const TransferItem& item = *rows_[static_cast<std::size_t>(row)].item;
    WriteTransferLog(
        appDir_, CurrentAccount.Bytes(),
        ReceiveLogLine(clock_(), item.Raw(Field::PeerNumber), item.Raw(Field::PeerName), fileName),
        TransferLog::Receive);
    RemoveRow(row);
}

void TransferList::DropUploadsTo(const QByteArray& accountNumber, Direction direction) {
    for (int row = RowCount() - 1; row >= 0; --row) {
        const TransferItem* item = rows_[static_cast<std::size_t>(row)].item.get();
        if (item && item->direction() == direction &&
            item->Raw(Field::AccountNumber) == accountNumber)
            RemoveRow(row);
    }
}

bool TransferList::RemoveTransferRow(const QByteArray& peerNumber, const QString& fileName,
                                     Direction direction) {
    const int row = FindLast(direction, peerNumber, fileName);
    if (row < 0) return false;
    RemoveRow(row);
    return true;
}

void TransferList::StartNextUpload(Refusal refusal) {
    int i = 0;
    while (i < RowCount()) {
        const TransferItem* item = rows_[static_cast<std::size_t>(i)].item.get();
        if (!item) {
            notice_(QStringLiteral("pListData==NULL"), true);
            ++i;
            continue;
        }
        if (!item->IsUpload()) {
            ++i;
            continue;
        }
        const QByteArray recipient = item->Raw(Field::AccountNumber);
        if (library_.ConnectServer(item->Raw(Field::ServerAddress), item->ServerPort(), recipient,
                                   item->Raw(Field::AccountKey)) != 1) {
            notice_(QStringLiteral("无法连接%1:%2，不能向好友:%3发送文件!")
                        .arg(item->Text(Field::ServerAddress))
                        .arg(item->ServerPort())
                        .arg(item->Text(Field::PeerName)),
                    true);
            // Takes this row and every other queued upload to the same recipient.
            DropUploadsTo(recipient, Direction::Upload);
            continue;
        }
        if (library_.UploadFile(CurrentAccount.Bytes(), recipient, item->LocalPath()) == 1) return;
        const QString text =
            refusal == Refusal::Long
                ? QStringLiteral("发送文件失败:SenderID:%1,RecvID:%2,FileName:%3")
                      .arg(CurrentAccount.Text(), GbkToQString(recipient), item->LocalPath())
                : QStringLiteral("发送文件失败!");
        RemoveRow(i);
        notice_(text, true);
    }
}

bool TransferList::RemoveWaitingUpload(int row) {
    if (row < 0 || row >= RowCount() || Cell(row, kState) != kWaitingUpload) return false;
    RemoveRow(row);
    return true;
}

void TransferList::Clear() {
    if (rows_.empty()) return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

int TransferList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int TransferList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant TransferList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    return Cell(index.row(), index.column());
}

QVariant TransferList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const std::array<QString, kColumnCount> headings = {
        QStringLiteral("文件名"), QStringLiteral("大小"), QStringLiteral("状态"),
        QStringLiteral("发送给"), QStringLiteral("接收至")};
    if (section < 0 || section >= kColumnCount) return {};
    return headings[static_cast<std::size_t>(section)];
}

}  // namespace tessan
