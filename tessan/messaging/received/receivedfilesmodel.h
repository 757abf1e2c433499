// ReceivedFilesModel: the rows of the received-files page, one per file stored in the own space,
// with their check boxes and the counters behind the space summary. The newest entry is on top.
// Rows are kept in arrival order and shown reversed, so a new entry costs no shifting, and a
// hash set of (sender, file name) makes the duplicate check independent of the row count.
#pragma once

#include "messaging/received/receivedfileentry.h"

#include <QAbstractTableModel>
#include <QSet>
#include <QString>

#include <cstdint>
#include <vector>

namespace tessan {

class ReceivedFilesModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { kFileName = 0, kSenderNumber = 1, kSenderName = 2, kSize = 3, kDate = 4 };
    static constexpr int kColumnCount = 5;

    struct Row {
        QByteArray senderNumber;  // GBK, as every server request needs it
        QByteArray senderName;
        QByteArray senderKey;   // up to 32 bytes; what a reply presents to the sender's server
        QByteArray storedName;  // "sender@name" as the server listed it; every request names it
        QByteArray fileName;    // the stored name after its first "@"
        std::uint32_t fileSize = 0;
        std::uint32_t sentTime = 0;
        QString fileNameText;
        QString senderNumberText;
        QString senderNameText;
        QString sizeText;
        mutable QString dateText;  // formatted when first shown
        bool checked = false;
    };

    struct SpaceSummary {
        QString text;
        int barMaximum = 0;
        int barValue = 0;
    };

    explicit ReceivedFilesModel(QObject* parent = nullptr);

    // Adds the entries as rows on top, the last entry first; an entry whose stored name is
    // already listed is skipped. Returns the number of rows added.
    int AddEntries(const std::vector<ReceivedFileEntry>& entries);
    // Removes every row and zeroes the counters.
    void Clear();

    int RowCount() const { return static_cast<int>(rows_.size()); }
    const Row& At(int row) const;
    // The row listing `storedName`, -1 when none does.
    int Find(const QByteArray& storedName) const;
    QString DateText(int row) const;

    bool IsChecked(int row) const { return At(row).checked; }
    void SetChecked(int row, bool checked);
    void SetAllChecked(bool checked);
    int CheckedCount() const;

    int FileCount() const { return fileCount_; }
    std::int64_t TotalBytes() const { return totalBytes_; }
    SpaceSummary Summary(std::int64_t quota) const;

    // Size in KB, rounded up when a remainder is left; truncation toward zero first, as signed
    // arithmetic gives it (a negative remaining space shows as 0 or below).
    static std::int64_t Kilobytes(std::int64_t bytes);
    static QString SizeText(std::uint32_t bytes);  // "%dKB"
    // Local time, "yyyy-MM-dd HH:mm:ss".
    static QString FormatDate(std::uint32_t secondsSince1970);

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::size_t Slot(int row) const { return rows_.size() - 1 - static_cast<std::size_t>(row); }

    std::vector<Row> rows_;  // arrival order; row 0 of the view is the last one
    QSet<QByteArray> keys_;
    int fileCount_ = 0;
    std::int64_t totalBytes_ = 0;
};

}  // namespace tessan
