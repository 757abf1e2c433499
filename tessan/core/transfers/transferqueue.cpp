#include "core/transfers/transferqueue.h"

#include "core/base/diagnostics.h"
#include "core/base/gbk.h"
#include "core/base/serverboxes.h"
#include "core/library/notificationhub.h"
#include "core/login/serverlookup.h"
#include "core/session/clientsession.h"
#include "wire_text.h"

#include <chrono>
#include <set>

namespace tessan {

using Field = TransferItem::Field;
using Direction = TransferItem::Direction;

namespace {

// Why a friend is given up: %1 the server, %2 its port, %3 the friend.
const QString kUnreachable = QStringLiteral("无法连接%1:%2，不能向好友:%3发送文件!");
const QString kNoLoginAnswer =
    QStringLiteral("服务器%1:%2在30秒内没有应答，不能向好友:%3发送文件!");
const QString kLost = QStringLiteral("与服务器%1:%2的连接已断开，不能向好友:%3发送文件!");

// How many completed uploads wait for their server's closing answer at most.
constexpr std::size_t kFinishedKept = 64;

bool LibraryHasIt(TransferState state) {
    return state == TransferState::UploadStarted || state == TransferState::Uploading;
}

}  // namespace

TransferQueue::TransferQueue(ClientSession& session, Connections& connections, ServerBoxes& boxes,
                             HostResolver& resolver, NotificationHub& own,
                             TransferLogs::Clock clock, TimerFactory timers, QObject* parent)
    : QObject(parent),
      session_(session),
      connections_(connections),
      boxes_(boxes),
      resolver_(resolver),
      logs_(session.AppDir(), std::move(clock)),
      timers_(timers ? std::move(timers) : QtTimers(this)),
      steadyClock_([] {
          return std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now().time_since_epoch())
              .count();
      }) {
    connect(&own, &NotificationHub::progress, this, &TransferQueue::HandleProgress);
    connect(&own, &NotificationHub::uploadAnswer, this, &TransferQueue::Answered);
}

TransferQueue::~TransferQueue() {
    connections_.DisconnectAll(*this);
}

int TransferQueue::AppendUpload(std::unique_ptr<TransferItem> item, qint64 sizeInBytes,
                                QByteArray server) {
    TransferRow row;
    row.server = std::move(server);
    row.name = item->Text(Field::RemoteName);
    row.nameGbk = item->Raw(Field::RemoteName);
    row.size = QString::number(sizeInBytes);
    row.state = TransferState::WaitingUpload;
    row.sentTo = item->PeerLabel();
    row.item = std::move(item);
    return table_.Append(std::move(row));
}

int TransferQueue::AppendDownload(std::unique_ptr<TransferItem> item, const QByteArray& fileName,
                                  const QString& sizeText) {
    TransferRow row;
    row.name = GbkToQString(fileName);
    row.nameGbk = fileName;
    row.size = sizeText;
    row.state = TransferState::WaitingDownload;
    row.receivedFrom = item->Text(Field::PeerNumber);
    row.item = std::move(item);
    return table_.Append(std::move(row));
}

const TransferItem* TransferQueue::Item(int row) const {
    if (row < 0 || row >= RowCount()) return nullptr;
    return table_.Row(row).item.get();
}

bool TransferQueue::HasQueuedDownloads() const {
    for (int row = 0; row < RowCount(); ++row)
        if (!Item(row)->IsUpload()) return true;
    return false;
}

void TransferQueue::HandleProgress(const Progress& progress) {
    if (progress.direction == static_cast<std::uint8_t>(Direction::Upload)) {
        if (progress.account.isEmpty()) return;
        // The file the library has: a waiting row of the same name is another upload.
        const int row = FindStarted(progress.account, progress.fileName);
        if (row < 0) {
            qCDebug(lcTransfers) << "upload progress without its row:" << progress.fileName;
            return;
        }
        if (progress.percent != 100)
            Advance(row, progress);
        else
            CompleteUpload(row);
        return;
    }
    if (progress.direction != static_cast<std::uint8_t>(Direction::Download)) return;
    const auto stored = tessnet::StoredName::Split(std::string_view(progress.fileName));
    if (!stored || stored->sender.empty()) {
        qCDebug(lcTransfers) << "download progress without a sender:" << progress.fileName;
        return;
    }
    // The download asked for: another row of the same sender and name waits its turn.
    const int row = AskedDownload();
    if (row < 0 || table_.Row(row).nameGbk != QByteArrayView(stored->name) ||
        Item(row)->Raw(Field::PeerNumber) != QByteArrayView(stored->sender)) {
        qCDebug(lcTransfers) << "download progress without its row:" << progress.fileName;
        return;
    }
    if (progress.percent != 100)
        Advance(row, progress);
    else
        CompleteDownload(row);
}

void TransferQueue::Advance(int row, const Progress& progress) {
    table_.SetProgress(row, progress.percentText, progress.percent, progress.fileSize,
                       steadyClock_());
}

void TransferQueue::SetSteadyClock(SteadyClock clock) {
    steadyClock_ = std::move(clock);
}

void TransferQueue::CompleteUpload(int row) {
    const TransferItem& item = *table_.Row(row).item;
    finished_.emplace_back(item.Raw(Field::AccountNumber), table_.Row(row).nameGbk);
    if (finished_.size() > kFinishedKept) finished_.pop_front();
    logs_.LogSent(session_.CurrentAccount().Bytes(), item.Raw(Field::AccountNumber),
                  item.RawPeerLabel(), item.Raw(Field::RemoteName));
    session_.ShowNotice(QStringLiteral("文件：%1成功发送给:%2！")
                            .arg(item.Text(Field::RemoteName), item.PeerLabel()),
                        false);
    table_.Remove(row);
    StartNextUpload(Refusal::Short);
}

void TransferQueue::CompleteDownload(int row) {
    const TransferRow& r = table_.Row(row);
    downloadDone_ = r.nameGbk;
    logs_.LogReceived(session_.CurrentAccount().Bytes(), r.item->Raw(Field::PeerNumber),
                      r.item->Raw(Field::PeerName), r.nameGbk);
    table_.Remove(row);
}

void TransferQueue::DropUploadsTo(const QByteArray& accountNumber) {
    for (int row = RowCount() - 1; row >= 0; --row) {
        const TransferItem* item = Item(row);
        if (item->IsUpload() && item->Raw(Field::AccountNumber) == accountNumber)
            table_.Remove(row);
    }
}

int TransferQueue::FindStarted(QByteArrayView account, QByteArrayView name) const {
    for (int row = RowCount() - 1; row >= 0; --row) {
        const TransferRow& r = table_.Row(row);
        if (r.item->IsUpload() && LibraryHasIt(r.state) && r.nameGbk == name &&
            r.item->Raw(Field::AccountNumber) == account)
            return row;
    }
    return -1;
}

bool TransferQueue::HasUploadsTo(const QByteArray& account) const {
    for (int row = 0; row < RowCount(); ++row)
        if (Item(row)->IsUpload() && Item(row)->Raw(Field::AccountNumber) == account) return true;
    return false;
}

bool TransferQueue::AnswerDownload(QByteArrayView fileName) {
    // One download is asked for at a time: the answer is that one's, or the one just completed.
    if (const int row = AskedDownload(); row >= 0 && table_.Row(row).nameGbk == fileName) {
        table_.Remove(row);
        return true;
    }
    if (downloadDone_ == fileName) {
        downloadDone_.reset();
        return true;
    }
    qCWarning(lcTransfers) << "a download answer for a file not asked for, dropped:" << fileName;
    return false;
}

int TransferQueue::AskedDownload() const {
    for (int row = 0; row < RowCount(); ++row)
        if (!Item(row)->IsUpload() && table_.Row(row).state != TransferState::WaitingDownload)
            return row;
    return -1;
}

bool TransferQueue::HasDownloadTo(const QString& localPath) const {
    for (int row = 0; row < RowCount(); ++row)
        if (!Item(row)->IsUpload() && Item(row)->LocalPath() == localPath) return true;
    return false;
}

QByteArray TransferQueue::ServerOf(int row) const {
    const TransferRow& r = table_.Row(row);
    return r.server.isEmpty() ? r.item->Raw(Field::ServerAddress) : r.server;
}

TransferQueue::StartResult TransferQueue::StartUpload(int row, Refusal refusal) {
    const QByteArray server = ServerOf(row);
    if (IsNumericAddress(server)) return Launch(row, server, refusal);
    const std::uint64_t ticket = ++lastLookup_;
    table_.SetFindingServer(row, ticket);
    resolver_.Resolve(server, this, [this, ticket, refusal](const LookupResult& found) {
        ServerFound(ticket, refusal, found);
    });
    return StartResult::Pending;
}

void TransferQueue::ServerFound(std::uint64_t ticket, Refusal refusal, const LookupResult& found) {
    const int row = table_.FindLookup(ticket);
    // Removed meanwhile (a new login empties the list): nothing to start.
    if (row < 0) {
        qCInfo(lcTransfers) << "a server lookup answered for an upload that went";
        return;
    }
    const TransferItem& item = *table_.Row(row).item;
    if (!found.Found()) {
        const QByteArray recipient = item.Raw(Field::AccountNumber);
        const QByteArray server = ServerOf(row);
        qCWarning(lcTransfers) << "server" << server << "not found:" << found.error;
        session_.ShowNotice(LookupFailureText(server, found.error) +
                                QStringLiteral("，不能向好友:%1发送文件!").arg(item.PeerLabel()),
                            true);
        DropUploadsTo(recipient);
        StartNextUpload(Refusal::Short);
        return;
    }
    if (Launch(row, found.address, refusal) != StartResult::Started)
        StartNextUpload(Refusal::Short);
}

TransferQueue::StartResult TransferQueue::Launch(int row, const QByteArray& address,
                                                 Refusal refusal) {
    const TransferItem& item = *table_.Row(row).item;
    Library& library = connections_.Lib();
    const QByteArray recipient = item.Raw(Field::AccountNumber);
    // An upload to the own space rides on the own login's connection, logged in already.
    const bool ownLogin = session_.IsOwnAccount(recipient) && connections_.IsOpen(recipient) &&
                          !connections_.Owns(*this, recipient);
    if (!ownLogin) {
        const bool fresh = !links_.contains(recipient);
        if (connections_.Connect(*this, address, item.ServerPort(), recipient,
                                 item.Raw(Field::AccountKey)) != 1) {
            links_.erase(recipient);
            // Takes this row and every other queued upload to the same recipient.
            Drop(recipient, kUnreachable);
            return StartResult::Unreachable;
        }
        if (fresh) {
            Link& link = links_[recipient];
            link.loginAnswer = timers_([this, recipient] { LoginOverdue(recipient); });
            link.loginAnswer->Start(kLoginAnswerMs);
        }
    }
    const QByteArray sender = session_.CurrentAccount().Bytes();
    const int result = library.UploadFile(sender, recipient, item.LocalPath());
    if (result == 1) {
        table_.SetState(row, TransferState::UploadStarted);
        return StartResult::Started;
    }
    qCInfo(lcTransfers) << "upload refused by the library:" << item.LocalPath() << result;
    const QString text =
        refusal == Refusal::Long
            ? QStringLiteral("发送文件失败:SenderID:%1,RecvID:%2,FileName:%3")
                  .arg(GbkToQString(sender), GbkToQString(recipient), item.LocalPath())
            : QStringLiteral("发送文件失败!");
    table_.Remove(row);
    // No upload will end it with an empty queue.
    CloseIfIdle(recipient);
    session_.ShowNotice(text, true);
    return StartResult::Refused;
}

bool TransferQueue::StartNextUpload(Refusal refusal) {
    // Friends with an upload the library has or whose server is being looked up.
    std::set<QByteArray> running;
    for (int row = 0; row < RowCount(); ++row)
        if (Item(row)->IsUpload() && table_.Row(row).state != TransferState::WaitingUpload)
            running.insert(Item(row)->Raw(Field::AccountNumber));
    int row = 0;
    while (row < RowCount() && static_cast<int>(running.size()) < kRecipientsAtOnce) {
        const TransferItem* item = Item(row);
        const QByteArray recipient = item->Raw(Field::AccountNumber);
        if (!item->IsUpload() || table_.Row(row).state != TransferState::WaitingUpload ||
            running.contains(recipient)) {
            ++row;
            continue;
        }
        // A refused or unreachable upload takes its row: the next candidate stands at `row` now.
        if (const StartResult result = StartUpload(row, refusal);
            result == StartResult::Started || result == StartResult::Pending) {
            running.insert(recipient);
            ++row;
        }
    }
    return !running.empty();
}

bool TransferQueue::StartNextDownload() {
    for (int row = 0; row < RowCount(); ++row) {
        const TransferItem* item = Item(row);
        if (item->IsUpload()) continue;
        // One download at a time: its answer asks for the next.
        if (table_.Row(row).state != TransferState::WaitingDownload) return true;
        if (connections_.Lib().DownLoad(session_.CurrentAccount().Bytes(),
                                        item->Raw(Field::RemoteName)) == 1) {
            table_.SetState(row, TransferState::DownloadRequested);
            return true;
        }
        session_.ShowNotice(QStringLiteral("不能下载文件，请先登录服务器!"), false);
        return false;
    }
    return false;
}

bool TransferQueue::RemoveWaitingUpload(int row) {
    if (row < 0 || row >= RowCount()) return false;
    const TransferRow& r = table_.Row(row);
    if (!r.item->IsUpload()) {
        if (r.state != TransferState::WaitingDownload) return false;
        table_.Remove(row);
        return true;
    }
    if (r.state == TransferState::Uploading) return false;
    const bool started = r.state == TransferState::UploadStarted;
    const QByteArray recipient = r.item->Raw(Field::AccountNumber);
    const QByteArray name = r.nameGbk;
    table_.Remove(row);
    if (!started) return true;
    // The library has the file: cancelled there. A friend's connection that carried only this
    // upload closes with it, so that a server in the middle of the login or the announcement
    // does not go on.
    connections_.Lib().Confirm(recipient, name, false);
    CloseIfIdle(recipient);
    StartNextUpload(Refusal::Short);
    return true;
}

void TransferQueue::Clear() {
    table_.Clear();
    downloadDone_.reset();
    // The uploads the list showed end with it: none goes on unseen under the login before.
    links_.clear();
    finished_.clear();
    connections_.DisconnectAll(*this);
}

void TransferQueue::OwnConnectionGone() {
    const QByteArray own = session_.CurrentAccount().Bytes();
    bool dropped = false;
    for (int row = RowCount() - 1; row >= 0; --row) {
        const TransferRow& r = table_.Row(row);
        if (!r.item->IsUpload() || !LibraryHasIt(r.state) ||
            r.item->Raw(Field::AccountNumber) != own || connections_.Owns(*this, own))
            continue;
        table_.Remove(row);
        dropped = true;
    }
    if (dropped) StartNextUpload(Refusal::Short);
}

void TransferQueue::Close(const QByteArray& account) {
    links_.erase(account);
    std::erase_if(finished_, [&account](const auto& done) { return done.first == account; });
    connections_.Disconnect(*this, account);
}

void TransferQueue::CloseIfIdle(const QByteArray& account) {
    if (!connections_.Owns(*this, account)) return;
    for (int row = 0; row < RowCount(); ++row) {
        const TransferRow& r = table_.Row(row);
        if (r.item->IsUpload() && LibraryHasIt(r.state) &&
            r.item->Raw(Field::AccountNumber) == account)
            return;
    }
    Close(account);
}

void TransferQueue::Drop(const QByteArray& account, const QString& format) {
    for (int row = 0; row < RowCount(); ++row) {
        const TransferItem& item = *Item(row);
        if (!item.IsUpload() || item.Raw(Field::AccountNumber) != account) continue;
        const QString notice = format.arg(QString::fromLatin1(ServerOf(row)))
                                   .arg(item.ServerPort())
                                   .arg(item.PeerLabel());
        qCWarning(lcTransfers) << "uploads to" << account << "given up:" << notice;
        session_.ShowNotice(notice, true);
        DropUploadsTo(account);
        return;
    }
}

void TransferQueue::GiveUp(const QByteArray& account, const QString& format) {
    Drop(account, format);
    StartNextUpload(Refusal::Short);
}

void TransferQueue::LoginOverdue(QByteArray account) {
    const auto it = links_.find(account);
    if (it == links_.end() || it->second.loggedIn) return;
    Close(account);
    GiveUp(account, kNoLoginAnswer);
}

bool TransferQueue::Notified(const Notification& n) {
    const Reply* reply = n.reply();
    if (n.type == note::kLogin && reply) {
        RecipientLoginResult(*reply);
    } else if (n.type == note::kUploadAnswer && reply) {
        Answered(UploadAnswerOf(*reply));
    } else if (const QueueEmpty* event = n.queueEmpty()) {
        if (event->zeroWord == 0) Close(event->account);
    } else if (const Progress* p = n.progress();
               p && p->direction == static_cast<std::uint8_t>(Direction::Upload)) {
        HandleProgress(*p);
    } else {
        return false;
    }
    return true;
}

void TransferQueue::ConnectionLost(const QByteArray& account) {
    qCInfo(lcTransfers) << "the connection to" << account << "went";
    const auto it = links_.find(account);
    const bool loggedIn = it != links_.end() && it->second.loggedIn;
    links_.erase(account);
    std::erase_if(finished_, [&account](const auto& done) { return done.first == account; });
    GiveUp(account, loggedIn ? kLost : kUnreachable);
}

void TransferQueue::RecipientLoginResult(const Reply& reply) {
    const auto it = links_.find(reply.account);
    if (it == links_.end() || it->second.loggedIn) {
        qCWarning(lcTransfers) << "a login answer on the connection of" << reply.account
                               << "that no login awaits, dropped";
        return;
    }
    it->second.loginAnswer->Stop();
    // Accepted: the library starts the upload by itself.
    if (reply.status != 0) {
        it->second.loggedIn = true;
        return;
    }
    Close(reply.account);
    if (!HasUploadsTo(reply.account)) return;
    const QString text =
        QStringLiteral("不能向你的好友:%1发送文件，公钥不正确!").arg(GbkToQString(reply.account));
    session_.ShowNotice(text, true);
    DropUploadsTo(reply.account);
    if (!StartNextUpload(Refusal::Short)) boxes_.Show({text, QString()});
}

void TransferQueue::Answered(const UploadAnswer& answer) {
    const int row = FindStarted(answer.account, answer.name);
    if (answer.reason == tessnet::UploadReason::Exists) {
        // Asked only about a file announced there and not asked about before: a server cannot
        // raise questions about uploads that never happened.
        if (row < 0 || table_.Row(row).state != TransferState::UploadStarted ||
            table_.Row(row).overwriteAsked) {
            qCWarning(lcTransfers) << "an overwrite question from" << answer.account
                                   << "about a file not announced there, dropped:" << answer.name;
            return;
        }
        table_.SetOverwriteAsked(row);
        const MessageBoxes::Box question{
            QStringLiteral("文件:%1已经存在，是否覆盖？").arg(GbkToQString(answer.name)),
            QStringLiteral("上传确认"), MessageBoxes::Icon::Question, MessageBoxes::Buttons::YesNo,
            MessageBoxes::Answer::Yes};
        boxes_.Show(
            question, this,
            [this, account = answer.account, name = answer.name](MessageBoxes::Answer reply) {
                // Gone meanwhile (deleted, or its friend given up): cancelled there already. A
                // later upload of the same name was not asked about.
                const int asked = FindStarted(account, name);
                if (asked < 0 || !table_.Row(asked).overwriteAsked) return;
                const bool overwrite = reply == MessageBoxes::Answer::Yes;
                connections_.Lib().Confirm(account, name, overwrite);
                if (overwrite) return;
                table_.Remove(asked);
                StartNextUpload(Refusal::Short);
            });
        return;
    }
    // The server has the whole file: its row completes with the last progress, which comes
    // first. Removing a row here would take a later upload of the same name.
    if (answer.reason == tessnet::UploadReason::Complete && answer.status != 0) {
        const auto done =
            std::find(finished_.begin(), finished_.end(), std::pair(answer.account, answer.name));
        if (done == finished_.end()) {
            qCWarning(lcTransfers) << "a completion from" << answer.account
                                   << "for a file not sent there, dropped:" << answer.name;
            return;
        }
        finished_.erase(done);
        if (!answer.text.isEmpty()) session_.ShowNotice(answer.text, false);
        return;
    }
    if (row < 0) {
        qCWarning(lcTransfers) << "an upload answer from" << answer.account
                               << "for a file not queued there, dropped:" << answer.name;
        return;
    }
    table_.Remove(row);
    session_.ShowNotice(answer.text, answer.status == 0);
    // The refused upload was a running one: without a start here the queue would stand still.
    StartNextUpload(Refusal::Short);
}

}  // namespace tessan
