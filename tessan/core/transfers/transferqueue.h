// TransferQueue: the client's queue of uploads and downloads behind the transfer list. Rows are
// appended by the pages that queue work (uploads by the sending pipeline, downloads by the
// received-files page); the queue follows the library's progress, writes the logs when a transfer
// completes, and decides which upload or download the library gets next: each friend's uploads
// one at a time in row order, up to kRecipientsAtOnce friends side by side (so a friend whose
// server is slow or silent never holds up the others), and one download at a time. The rows and
// their display are its TransferTable's.
//
// It owns the connections to the friends' servers, one per recipient, and handles what comes on
// them: the login's answer (awaited kLoginAnswerMs at most), a refused public key, the upload
// answers (the overwrite question among them) and the empty upload queue that closes the
// connection. A friend whose server cannot be reached, does not answer the login or is lost
// during an upload is given up: its rows go with a notice and the next upload starts. Answers
// count only for a file the library has on that connection. An upload to the own space rides on
// the own login's connection, whose answers to it the queue follows through that connection's hub.
#pragma once

#include "core/base/timer.h"
#include "core/library/connections.h"
#include "core/transfers/transferitem.h"
#include "core/transfers/transferlogs.h"
#include "core/transfers/transfertable.h"

#include <QObject>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace tessan {

class ClientSession;
class HostResolver;
class ServerBoxes;
class NotificationHub;
struct LookupResult;

class TransferQueue final : public QObject, public ConnectionOwner {
    Q_OBJECT
  public:
    using Direction = TransferItem::Direction;
    // Which notice an upload refused by the library gets: the long one names sender, recipient
    // and file (the fan-out of a new send, sending at once), the short one is used everywhere else.
    enum class Refusal { Long, Short };
    enum class StartResult {
        Started,      // the library has the file
        Unreachable,  // no connection: the row went with every other upload to that recipient
        Refused,      // the library refused the file: the row went
        Pending,      // the server's host name is being looked up; the row starts or goes then
    };

    // How many friends' uploads run side by side.
    static constexpr int kRecipientsAtOnce = 4;
    // How long a friend's server may take to answer the login, as for the own login.
    static constexpr int kLoginAnswerMs = 30000;

    // Everything must outlive the queue; `own` is the own connection's hub. `clock` stamps the
    // logs; the default is the local time. `timers` (empty: QTimers) bound the friends' logins.
    TransferQueue(ClientSession& session, Connections& connections, ServerBoxes& boxes,
                  HostResolver& resolver, NotificationHub& own, TransferLogs::Clock clock = {},
                  TimerFactory timers = {}, QObject* parent = nullptr);
    ~TransferQueue() override;

    // The table the transfer list view shows.
    TransferTable& Table() { return table_; }
    const TransferTable& Table() const { return table_; }

    // A new upload row: the stored name, the size in bytes, "等待上传", the recipient's name.
    // `server` is the recipient's server as serverlist.ini names it, when the item's field cannot
    // hold it whole.
    int AppendUpload(std::unique_ptr<TransferItem> item, qint64 sizeInBytes,
                     QByteArray server = {});
    // A new download row: the plain file name (GBK, as the stored name holds it), the size as
    // the received-files page shows it, "等待下载", the sender's number.
    int AppendDownload(std::unique_ptr<TransferItem> item, const QByteArray& fileName,
                       const QString& sizeText);

    int RowCount() const { return table_.RowCount(); }
    const TransferItem* Item(int row) const;
    // True when any row holds a download (waiting or running).
    bool HasQueuedDownloads() const;

    // Starts the first waiting upload of each friend who has none running, in row order, while
    // fewer than kRecipientsAtOnce friends have one; uploads that cannot start are reported and
    // removed on the way. True when an upload runs (or waits for its server's lookup) afterwards.
    bool StartNextUpload(Refusal refusal);
    // Starts the upload of `row` now, whatever else is queued or running. A recipient's server
    // named by its host name is looked up first, without waiting for it here (Pending); when the
    // answer comes the upload starts, or its rows go with a notice and the next upload starts.
    StartResult StartUpload(int row, Refusal refusal);
    // Asks the library for the first waiting download row, under the own account, unless one was
    // asked for and not answered yet (true then). False (with the notice
    // "不能下载文件，请先登录服务器!") when the library refuses; false without a word when no
    // download waits.
    bool StartNextDownload();
    // The server's answer (7) to the download asked for, named by its plain file name (GBK): its
    // row goes if it is still there (the download failed). True when the answer concerns that
    // download or the one just completed; false, changing nothing, for an answer no request
    // awaits.
    bool AnswerDownload(QByteArrayView fileName);

    // The library's progress, on a friend's connection or the own one.
    void HandleProgress(const Progress& progress);
    // Milliseconds of a steady clock: when the progress notices come, for the rates shown. The
    // default is the system's; tests set their own.
    using SteadyClock = std::function<std::int64_t()>;
    void SetSteadyClock(SteadyClock clock);

    // The user's Delete: an upload shown waiting goes, one the library has already is cancelled
    // there first; a download not asked for yet goes. A transfer under way stays. False when
    // nothing was removed.
    bool RemoveWaitingUpload(int row);
    // True when a download row writes to `localPath`.
    bool HasDownloadTo(const QString& localPath) const;
    // Login reset: every row goes, and the friends' connections with the uploads they carry.
    void Clear();
    // The own login's connection went: uploads to the own space it carried cannot finish.
    void OwnConnectionGone();

    // The friends' connections.
    bool Notified(const Notification& n) override;
    void ConnectionLost(const QByteArray& account) override;

  private:
    // A friend's connection while it is open.
    struct Link {
        std::unique_ptr<Timer> loginAnswer;  // runs until the login is answered
        bool loggedIn = false;
    };

    // The login's answer on a friend's connection; a refused public key (status 0) gives the
    // friend up.
    void RecipientLoginResult(const Reply& reply);
    // No answer to a friend's login within kLoginAnswerMs.
    // By value: giving the friend up destroys the timer whose call brought it here.
    void LoginOverdue(QByteArray account);
    // Closes the queue's connection to `account`, if it has one.
    void Close(const QByteArray& account);
    // Close, unless the library has an upload of a row to `account`: a connection that carries
    // no upload would stay open, since only an emptied upload queue ends it.
    void CloseIfIdle(const QByteArray& account);
    // Every upload to `account` goes with the notice `format` (%1 server, %2 port, %3 the friend).
    // Nothing without a row for `account`.
    void Drop(const QByteArray& account, const QString& format);
    // Removes every upload row whose item runs under `accountNumber`.
    void DropUploadsTo(const QByteArray& accountNumber);
    // Drop, then the next uploads start.
    void GiveUp(const QByteArray& account, const QString& format);
    void Answered(const UploadAnswer& answer);
    // The last upload row to `account` named `name` that the library has; -1 when none.
    int FindStarted(QByteArrayView account, QByteArrayView name) const;
    // True when an upload row runs under `account`.
    bool HasUploadsTo(const QByteArray& account) const;
    // Connects to `address` (numeric) and hands the library the row's file.
    StartResult Launch(int row, const QByteArray& address, Refusal refusal);
    // The answer of lookup `ticket`, for the row that waits for it if it is still there.
    void ServerFound(std::uint64_t ticket, Refusal refusal, const LookupResult& found);
    // The download row asked of the server (requested or under way); -1 when none.
    int AskedDownload() const;
    // A progress step short of completion.
    void Advance(int row, const Progress& progress);
    void CompleteUpload(int row);
    // The server of an upload row, whole.
    QByteArray ServerOf(int row) const;
    void CompleteDownload(int row);

    ClientSession& session_;
    Connections& connections_;
    ServerBoxes& boxes_;
    HostResolver& resolver_;
    TransferLogs logs_;
    TransferTable table_;
    TimerFactory timers_;
    std::map<QByteArray, Link> links_;
    // Uploads completed whose server's closing answer (reason 4) may still come: account, name.
    std::deque<std::pair<QByteArray, QByteArray>> finished_;
    // The plain name of the download completed whose answer (7) is still to come.
    std::optional<QByteArray> downloadDone_;
    std::uint64_t lastLookup_ = 0;
    SteadyClock steadyClock_;
};

}  // namespace tessan
