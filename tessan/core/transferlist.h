// TransferList: the client's queue of uploads and downloads, one row per waiting or running
// transfer, shown at the bottom of the main window. Rows are appended by the Parts that queue
// work; this model follows the library's progress, writes the logs on completion and hands the
// library one waiting upload at a time, in row order. Each row owns its TransferItem.
#pragma once

#include "core/library.h"
#include "core/transferitem.h"

#include <QAbstractTableModel>
#include <QDateTime>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace tessan {

class TransferList final : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { kName = 0, kSize = 1, kState = 2, kSentTo = 3, kReceivedFrom = 4 };
    static constexpr int kColumnCount = 5;
    using Cells = std::array<QString, kColumnCount>;
    using NoticeFn = std::function<void(const QString& text, bool error)>;
    using Clock = std::function<QDateTime()>;
    // Which notice an upload refused by the library gets: the long one names sender, recipient
    // and file (used by the fan-out of a new send), the short one is used everywhere else.
    enum class Refusal { Long, Short };

    static const QString kWaitingUpload;    // "等待上传"
    static const QString kWaitingDownload;  // "等待下载"

    TransferList(Library& library, QString appDir, NoticeFn notice, Clock clock = {},
                 QObject* parent = nullptr);
    ~TransferList() override;

    // Cells of a new upload row: the stored name, the size in bytes, waiting, the recipient's name.
    static Cells UploadCells(const TransferItem& item, qint64 sizeInBytes);
    // Cells of a new download row: the plain file name, the size as the received-files page shows
    // it, waiting, the sender's number.
    static Cells DownloadCells(const TransferItem& item, const QString& fileName,
                               const QString& sizeText);

    // Appends a row at the end; `item` may be null (such a row is reported and skipped when the
    // next upload is started). Returns the new row's index.
    int AppendRow(const Cells& cells, std::unique_ptr<TransferItem> item);
    const TransferItem* Item(int row) const;
    QString Cell(int row, int column) const;
    int RowCount() const { return static_cast<int>(rows_.size()); }

    // The handler of the library's progress notification.
    void HandleProgress(const Progress& progress);
    // Removes every row of `direction` whose item runs under `accountNumber`.
    void DropUploadsTo(const QByteArray& accountNumber, TransferItem::Direction direction);
    // Removes the last row of `direction` for `peerNumber` showing `fileName`; false when none.
    bool RemoveTransferRow(const QByteArray& peerNumber, const QString& fileName,
                           TransferItem::Direction direction);
    // Starts at most one waiting upload; refused or unreachable ones are reported and removed.
    void StartNextUpload(Refusal refusal);
    // The user's Delete: only a row still waiting to upload goes. False when nothing was removed.
    bool RemoveWaitingUpload(int row);
    // Login reset: every row goes.
    void Clear();

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    struct Row {
        Cells cells;
        std::unique_ptr<TransferItem> item;
    };

    // The last row of `direction` whose item's peer number and column 0 match; -1 when none.
    int FindLast(TransferItem::Direction direction, const QByteArray& peerNumber,
                 const QString& name) const;
    void RemoveRow(int row);
    void SetState(int row, const QString& state);
    void CompleteUpload(int row);
    void CompleteDownload(int row, const QByteArray& fileName);

    Library& library_;
    QString appDir_;
    NoticeFn notice_;
    Clock clock_;
    std::vector<Row> rows_;
};

}  // namespace tessan
