// TransferTable: the rows of the transfer list with their typed state, as the table at the bottom
// of the main window shows them. It only stores and renders; the rules (which row runs
// next, progress, removal) are TransferQueue's. Each row owns its TransferItem.
#pragma once

#include "core/transfers/transferitem.h"
#include "core/transfers/transferrate.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace tessan {

enum class TransferState : std::uint8_t {
    WaitingUpload,
    FindingServer,  // the recipient's server is named by a host name being looked up: "等待上传"
    UploadStarted,  // the library has the file but has not reported progress yet: still "等待上传"
    Uploading,
    WaitingDownload,
    DownloadRequested,  // asked of the server, no chunk yet: still "等待下载"
    Downloading,
};

struct TransferRow {
    std::unique_ptr<TransferItem> item;  // never null
    QString name;  // column 0: the stored name of an upload, the plain file name of a download
    QString size;  // column 1
    TransferState state = TransferState::WaitingUpload;
    QByteArray percentText;       // the last progress as the library wrote it, "33%"
    TransferRate rate;            // of a running transfer: column 3
    QString sentTo;               // column 3: the recipient's name (uploads)
    QString receivedFrom;         // column 4: the sender's number (downloads)
    QByteArray nameGbk;           // column 0 as the wire carries it: what progress is matched on
    std::uint64_t lookup = 0;     // FindingServer: which lookup's answer this row waits for
    bool overwriteAsked = false;  // the server asked whether the upload may overwrite: once
    // The recipient's server as serverlist.ini names it (an upload's item holds 31 bytes of it;
    // a host name may be longer). Empty: the item's own field.
    QByteArray server;
};

class TransferTable final : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { kName = 0, kSize = 1, kState = 2, kRate = 3, kSentTo = 4, kReceivedFrom = 5 };
    static constexpr int kColumnCount = 6;

    // "等待上传" (also once started), "上传:33%", "等待下载", "下载:33%".
    static QString StateText(TransferState state, const QByteArray& percentText);

    explicit TransferTable(QObject* parent = nullptr);
    ~TransferTable() override;

    // Appends at the end (the order of queuing) and returns the new row's index.
    int Append(TransferRow row);
    void Remove(int row);
    void Clear();
    // The view hears of it only when the state cell's text changes.
    void SetState(int row, TransferState state);
    // The row waits for the answer of lookup `ticket` (FindingServer).
    void SetFindingServer(int row, std::uint64_t ticket);
    void SetOverwriteAsked(int row) {
        rows_.at(static_cast<std::size_t>(row)).overwriteAsked = true;
    }
    // The row that waits for lookup `ticket`; -1 when it went meanwhile.
    int FindLookup(std::uint64_t ticket) const;
    // A progress step at `nowMs` of a steady clock: the row runs now, shows `percentText` and
    // measures its rate. The view hears of the cells whose text changed.
    void SetProgress(int row, const QByteArray& percentText, std::uint16_t percent,
                     std::int64_t fileSize, std::int64_t nowMs);

    int RowCount() const { return static_cast<int>(rows_.size()); }
    const TransferRow& Row(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
    // The text of a cell as shown; empty outside the table.
    QString Cell(int row, int column) const;

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::vector<TransferRow> rows_;
};

}  // namespace tessan
