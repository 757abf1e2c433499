#include "messaging/received/receivedfiles.h"

#include "core/base/gbk.h"
#include "core/base/messageboxes.h"
#include "core/library/library.h"
#include "core/login/loginstate.h"
#include "core/records/friendrecord.h"
#include "core/session/clientsession.h"
#include "core/transfers/transferqueue.h"

#include "wire_text.h"

#include <QFileInfo>

#include <algorithm>

namespace tessan {

const QString ReceivedFiles::kSelectAll = QStringLiteral("全选");
const QString ReceivedFiles::kUnselect = QStringLiteral("取消");

namespace {
const QString kDeleteCaption = QStringLiteral("警告");
const QString kAskCaption = QStringLiteral("提示");

using Field = TransferItem::Field;
}  // namespace

ReceivedFiles::ReceivedFiles(ClientSession& session, LoginState& login, Library& library,
                             MessageBoxes& boxes, TransferQueue& transfers,
                             OverwriteQuestion& overwrite, std::function<void()> openLogin,
                             Clock clock, QObject* parent)
    : QObject(parent),
      session_(session),
      library_(library),
      boxes_(boxes),
      overwrite_(overwrite),
      transfers_(transfers),
      openLogin_(std::move(openLogin)),
      clock_(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); })) {
    connect(&login, &LoginState::loginResetAfterDialog, this, &ReceivedFiles::OnLoginReset);
    NotificationHub& notifications = login.Notifications();
    connect(&notifications, &NotificationHub::listSummary, this, &ReceivedFiles::OnListSummary);
    connect(&notifications, &NotificationHub::downloadAnswer, this,
            &ReceivedFiles::OnDownloadAnswer);
    connect(&notifications, &NotificationHub::deleteResult, this, &ReceivedFiles::OnDeleteResult);
    connect(&notifications, &NotificationHub::fileEntries, this, &ReceivedFiles::OnFileEntries);
    connect(&login, &LoginState::ownConnectionClosed, this, [this] { pendingLists_.clear(); });
}

void ReceivedFiles::Notice(const QString& text, bool error) {
    session_.ShowNotice(text, error);
}

int ReceivedFiles::FirstSelected(const QList<int>& selected) {
    return selected.isEmpty() ? -1 : *std::min_element(selected.begin(), selected.end());
}

void ReceivedFiles::CheckSelected(const QList<int>& selected) {
    for (int row : selected)
        if (row >= 0 && row < model_.RowCount()) model_.SetChecked(row, true);
}

void ReceivedFiles::SetDeleteEnabled(bool enabled) {
    if (deleteEnabled_ == enabled) return;
    deleteEnabled_ = enabled;
    emit deleteEnabledChanged(enabled);
}

void ReceivedFiles::SetAllChecked(bool checked) {
    allChecked_ = checked;
    emit selectAllTextChanged(SelectAllText());
}

bool ReceivedFiles::List(bool background) {
    if (library_.ListFile(session_.CurrentAccount().Bytes()) != 1) return false;
    pendingLists_.push_back(background);
    return true;
}

void ReceivedFiles::Refresh() {
    model_.Clear();
    if (!List(false)) {
        Notice(QStringLiteral("列表文件失败!请先登录服务器!"), false);
        if (openLogin_) openLogin_();
    }
    SetDeleteEnabled(true);
    SetAllChecked(false);
}

bool ReceivedFiles::CheckInBackground() {
    if (std::find(pendingLists_.begin(), pendingLists_.end(), true) != pendingLists_.end())
        return false;
    return List(true);
}

void ReceivedFiles::ToggleCheckAll() {
    const bool check = !allChecked_;
    model_.SetAllChecked(check);
    SetAllChecked(check);
}

void ReceivedFiles::DeleteChecked(const QList<int>& selected) {
    pendingDeletes_ = 0;
    CheckSelected(selected);
    QList<QByteArray> names;
    int lastChecked = -1;
    for (int row = model_.RowCount() - 1; row >= 0; --row) {
        if (!model_.IsChecked(row)) continue;
        names.append(model_.At(row).storedName);
        lastChecked = row;
    }
    if (names.isEmpty()) return;
    const QString question =
        names.size() == 1
            ? QStringLiteral("确实要删除文件:%1吗？").arg(model_.At(lastChecked).fileNameText)
            : QStringLiteral("确实要删除这%1个文件吗？").arg(names.size());
    if (!boxes_.AskYesNo(question, kDeleteCaption)) return;
    for (const QByteArray& name : names) {
        library_.DelFile(session_.CurrentAccount().Bytes(), name);
        ++pendingDeletes_;
    }
    if (pendingDeletes_ > 0) SetDeleteEnabled(false);
}

void ReceivedFiles::DeleteSelected(const QList<int>& selected) {
    const int row = FirstSelected(selected);
    if (row < 0 || row >= model_.RowCount()) return;
    // Answers may add or remove rows while the question is open.
    const QByteArray storedName = model_.At(row).storedName;
    const QString question =
        QStringLiteral("确实要删除文件:%1吗？").arg(model_.At(row).fileNameText);
    if (!boxes_.AskYesNo(question, kDeleteCaption)) return;
    if (library_.DelFile(session_.CurrentAccount().Bytes(), storedName) == 1)
        ++pendingDeletes_;
    else
        Notice(QStringLiteral("删除文件失败，请先登录服务器!"), false);
}

void ReceivedFiles::DownloadChecked(const QList<int>& selected) {
    const bool downloadRunning = transfers_.HasQueuedDownloads();
    CheckSelected(selected);
    // Taken before the first question: answers may add or remove rows while one is open.
    std::vector<ReceivedFilesModel::Row> checked;
    for (int row = 0; row < model_.RowCount(); ++row)
        if (model_.IsChecked(row)) checked.push_back(model_.At(row));
    bool overwriteAll = false;
    for (const ReceivedFilesModel::Row& r : checked) {
        // The library writes under the same local name; one it refuses would fetch nothing.
        const auto local = tessnet::LocalFileName(std::string_view(r.fileName));
        if (!local) {
            Notice(QStringLiteral("文件:%1的名字不能用作本地文件名,不能下载!").arg(r.fileNameText),
                   true);
            continue;
        }
        const QString target =
            session_.DownloadFolder() + QLatin1Char('/') + QString::fromStdString(*local);
        // Another sender's file of the same name, queued before, will be there by then.
        if (!overwriteAll && (QFileInfo::exists(target) || transfers_.HasDownloadTo(target))) {
            const auto answer = overwrite_.Ask(
                {{}, {}, QStringLiteral("文件:%1已经存在！\r\n是否覆盖?").arg(target)});
            if (!answer.overwrite) {
                if (answer.forAll) break;
                continue;
            }
            overwriteAll = answer.forAll;
        }
        auto item = std::make_unique<TransferItem>(TransferItem::Direction::Download);
        item->SetLocalPath(target);
        item->SetRaw(Field::RemoteName, r.storedName);
        item->SetRaw(Field::PeerNumber, r.senderNumber);
        item->SetRaw(Field::AccountNumber, session_.CurrentAccount().Bytes());
        item->SetRaw(Field::AccountKey, session_.CurrentPrivateKey().Bytes());
        item->SetRaw(Field::PeerName, r.senderName);
        transfers_.AppendDownload(std::move(item), r.fileName, r.sizeText);
    }
    // One download at a time: the running one's completion asks for the next.
    if (downloadRunning) return;
    transfers_.StartNextDownload();
}

void ReceivedFiles::ConfirmDownload(const QList<int>& selected) {
    const int row = FirstSelected(selected);
    if (row < 0 || row >= model_.RowCount()) return;
    model_.SetChecked(row, true);
    // The row is found again by name: answers may move it while a question is open.
    const QByteArray storedName = model_.At(row).storedName;
    const auto uncheck = [&] {
        if (const int now = model_.Find(storedName); now >= 0) model_.SetChecked(now, false);
    };
    const QString question =
        QStringLiteral("真的要下载文件:%1吗？").arg(model_.At(row).fileNameText);
    if (!boxes_.AskYesNo(question, kAskCaption)) return uncheck();
    DownloadChecked(selected);
    uncheck();
}

void ReceivedFiles::AddSenderAsFriend(const QList<int>& selected) {
    const int row = FirstSelected(selected);
    if (row < 0 || row >= model_.RowCount()) return;
    // A copy: answers may add or remove rows while the question is open.
    const ReceivedFilesModel::Row r = model_.At(row);
    const QByteArray own = session_.CurrentAccount().Bytes();
    if (r.senderNumber == own) {
        Notice(QStringLiteral("不用添加自己为好友!"), false);
        return;
    }
    if (!boxes_.AskYesNo(QStringLiteral("确实要将:%1加为好友吗？").arg(r.senderNumberText),
                         kAskCaption))
        return;
    const FriendRecord record(own, r.senderNumber, r.senderKey);
    if (library_.AddFriend(own, record) != 1)
        Notice(QStringLiteral("添加好友失败，先登录服务器!"), false);
}

QString ReceivedFiles::ReplySubject(const QString& fileName) {
    const qsizetype dot = fileName.indexOf(QLatin1Char('.'));
    return QStringLiteral("RE：") + (dot < 0 ? fileName : fileName.left(dot));
}

ReplyDraft ReceivedFiles::DraftFor(int row) const {
    const ReceivedFilesModel::Row& r = model_.At(row);
    ReplyDraft d;
    d.recipientLine = r.senderNumberText + QLatin1Char('\t') + r.senderNameText;
    d.recipientNumber = r.senderNumber;
    d.recipientName = r.senderName;
    d.recipientKey = r.senderKey;
    d.ownNumber = session_.CurrentAccount().Bytes();
    d.subject = ReplySubject(r.fileNameText);
    return d;
}

std::optional<ReplyDraft> ReceivedFiles::TextReply(const QList<int>& selected) const {
    const int row = FirstSelected(selected);
    if (row < 0 || row >= model_.RowCount()) return std::nullopt;
    ReplyDraft d = DraftFor(row);
    const ReceivedFilesModel::Row& r = model_.At(row);
    // The signature stands under twelve empty lines.
    d.body = QStringLiteral(
                 "%1您好:\r\n\t你于%2 发送的文件:\"%3\"我已经收到!"
                 "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n"
                 "\t\t\t\t\t\t%4  %5\r\n\t\t\t\t\t\t%6")
                 .arg(r.senderNameText, model_.DateText(row), r.fileNameText,
                      session_.OwnProfile().Name(), session_.OwnProfile().Number(),
                      clock_().toString(QStringLiteral("yyyy年MM月dd日 HH:mm:ss")));
    return d;
}

std::optional<ReplyDraft> ReceivedFiles::VoiceReply(const QList<int>& selected) const {
    const int row = FirstSelected(selected);
    if (row < 0 || row >= model_.RowCount()) return std::nullopt;
    return DraftFor(row);
}

void ReceivedFiles::AddReceivedEntries(const std::vector<ReceivedFileEntry>& entries) {
    model_.AddEntries(entries);
}

void ReceivedFiles::ShowSpaceSummary(std::int64_t quota) {
    emit summaryChanged(model_.Summary(quota));
}

void ReceivedFiles::DeleteCompleted() {
    if (pendingDeletes_ <= 0) return;
    if (--pendingDeletes_ > 0) return;
    model_.Clear();
    List(false);
    SetDeleteEnabled(true);
}

void ReceivedFiles::OnLoginReset() {
    model_.Clear();
    // Answers to deletions sent on the previous login's connection will not come.
    pendingDeletes_ = 0;
}

void ReceivedFiles::OnListSummary(const Reply& reply) {
    // The summary closes the answer to the oldest list request.
    const bool background = !pendingLists_.empty() && pendingLists_.front();
    if (!pendingLists_.empty()) pendingLists_.pop_front();
    if (!background) Notice(reply.TextAt(0), false);
    ShowSpaceSummary(session_.OwnQuota());
}

void ReceivedFiles::OnDownloadAnswer(const DownloadAnswer& answer) {
    // Only the answer to the download asked for: another sender's file of the same name waits.
    if (!transfers_.AnswerDownload(answer.name)) return;
    Notice(answer.text, answer.status == 0);
    transfers_.StartNextDownload();
}

void ReceivedFiles::OnDeleteResult(const Reply& reply) {
    DeleteCompleted();
    Notice(reply.TextAt(0), reply.status == 0);
}

void ReceivedFiles::OnFileEntries(const Reply& reply) {
    const auto length = std::min<qsizetype>(reply.dataLength, reply.data.size());
    const auto entries = ReceivedFileEntry::ParseAll(QByteArrayView(reply.data).first(length));
    AddReceivedEntries(entries);
    emit entriesListed(entries, !pendingLists_.empty() && pendingLists_.front());
}

}  // namespace tessan
