// ReceivedFiles: what the received-files page does. Its commands send requests; the rows change
// only when the server's answers arrive through the handlers below. The page widget passes the
// view's selection in and shows the state this class announces.
#pragma once

#include "core/library/notifications.h"
#include "messaging/received/overwritequestion.h"
#include "messaging/received/receivedfilesmodel.h"

#include <QDateTime>
#include <QList>
#include <QObject>

#include <deque>
#include <functional>

namespace tessan {

class ClientSession;
class Library;
class LoginState;
class MessageBoxes;
class TransferQueue;

// Everything a text or voice reply to a row's sender starts with.
struct ReplyDraft {
    QString recipientLine;  // "number\tname"
    QByteArray recipientNumber;
    QByteArray recipientName;
    QByteArray recipientKey;
    QByteArray ownNumber;
    QString subject;  // "RE：" and the file name up to its first "."
    QString body;     // text replies only
};

class ReceivedFiles final : public QObject {
    Q_OBJECT
  public:
    using Clock = std::function<QDateTime()>;

    static const QString kSelectAll;  // "全选"
    static const QString kUnselect;   // "取消"

    // Downloads land in the session's download folder (the library's folder); requests go to the
    // library on the own connection, whose answers (5, 7, 11, 30) and login resets it hears
    // through `login`. `openLogin` sends the main window its login command. `clock` dates
    // replies; the default is the local time. Everything must outlive it.
    ReceivedFiles(ClientSession& session, LoginState& login, Library& library, MessageBoxes& boxes,
                  TransferQueue& transfers, OverwriteQuestion& overwrite,
                  std::function<void()> openLogin, Clock clock = {}, QObject* parent = nullptr);

    ReceivedFilesModel& Model() { return model_; }
    const ReceivedFilesModel& Model() const { return model_; }
    int PendingDeletes() const { return pendingDeletes_; }
    bool DeleteEnabled() const { return deleteEnabled_; }
    QString SelectAllText() const { return allChecked_ ? kUnselect : kSelectAll; }

    // Commands. `selected` holds the rows the user selected in the view, in any order.
    void Refresh();
    // Asks for the list without a word to the user: nothing is emptied, the answer's new entries
    // join the rows as after "刷新", and neither a notice nor a login dialog follows. False when
    // the request could not be sent or one is still unanswered.
    bool CheckInBackground();
    void ToggleCheckAll();
    void DeleteChecked(const QList<int>& selected);
    void DeleteSelected(const QList<int>& selected);
    void DownloadChecked(const QList<int>& selected);
    void ConfirmDownload(const QList<int>& selected);
    void AddSenderAsFriend(const QList<int>& selected);
    // The reply to the first selected row's sender; nothing without a selected row.
    std::optional<ReplyDraft> TextReply(const QList<int>& selected) const;
    std::optional<ReplyDraft> VoiceReply(const QList<int>& selected) const;

    void AddReceivedEntries(const std::vector<ReceivedFileEntry>& entries);
    void ShowSpaceSummary(std::int64_t quota);

    // Notification handlers.
    void OnLoginReset();                                  // 1, own account, after the login dialog
    void OnListSummary(const Reply& reply);               // 5
    void OnDownloadAnswer(const DownloadAnswer& answer);  // 7
    void OnDeleteResult(const Reply& reply);              // 11
    void OnFileEntries(const Reply& reply);               // 30

    // "RE：" and the file name cut at its first ".".
    static QString ReplySubject(const QString& fileName);

  signals:
    // The entries of a file-list answer, as listed; `background` when CheckInBackground asked.
    void entriesListed(const std::vector<tessan::ReceivedFileEntry>& entries, bool background);
    void deleteEnabledChanged(bool enabled);
    void selectAllTextChanged(const QString& text);
    void summaryChanged(const tessan::ReceivedFilesModel::SpaceSummary& summary);

  private:
    static int FirstSelected(const QList<int>& selected);
    void CheckSelected(const QList<int>& selected);
    void SetDeleteEnabled(bool enabled);
    void SetAllChecked(bool checked);
    void DeleteCompleted();
    ReplyDraft DraftFor(int row) const;
    void Notice(const QString& text, bool error);
    // ListFile on the own connection, remembered as `background` when it was sent.
    bool List(bool background);

    ClientSession& session_;
    Library& library_;
    MessageBoxes& boxes_;
    OverwriteQuestion& overwrite_;
    TransferQueue& transfers_;
    std::function<void()> openLogin_;
    Clock clock_;
    ReceivedFilesModel model_;
    int pendingDeletes_ = 0;
    bool allChecked_ = false;
    bool deleteEnabled_ = true;
    // One per ListFile sent on the own connection and not yet answered by its summary (type 5),
    // in the order sent: true for a background check. The server answers in that order.
    std::deque<bool> pendingLists_;
};

}  // namespace tessan
