// "发送文件": the local files on the left (location box, up, desktop, the file browser), the
// friends with check boxes on the right (name search, select all, group text and voice, send).
// Files picked on the left go to the friends checked on the right, or to one friend by dragging
// them onto that friend. The rules live in LocalFileList, FriendList and SendPageRules.
#pragma once

#include "core/base/timer.h"
#include "core/browser/localfilelist.h"
#include "core/frame/page.h"
#include "messaging/recipient.h"
#include "messaging/sendpage/friendlist.h"
#include "messaging/sendpage/sendpagerules.h"

#include <QTreeView>
#include <QWidget>

#include <memory>

class QLineEdit;
class QMenu;
class QPushButton;

namespace tessan {

class LocalFileListView;
class LocationBox;
class SendingPipeline;
class VoiceDevice;

// The friend list's view: follows a drag of local files across its rows and reports files
// dropped from the desktop.
class FriendListView final : public QTreeView {
    Q_OBJECT
  public:
    FriendListView(FriendList& friends, QWidget* parent = nullptr);
    // Whether the drag that just ended was dropped here; cleared by the reading.
    bool TakeDropped();

  signals:
    void desktopFilesDropped(const QStringList& paths);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    FriendList& friends_;
    bool dropped_ = false;
};

class SendPage final : public Page {
    Q_OBJECT
  public:
    // What the page sends with.
    struct Sending {
        SendPageRules::FanOutFn fanOut;
        SendImmediatelyFn sendImmediately;
        VoiceDevice* voiceDevice = nullptr;  // must outlive the page
        TimerFactory timers;                 // empty: Qt timers of the voice dialog
    };

    // Files and messages through `pipeline`, voice through `device`; both must outlive the page.
    static Sending Through(SendingPipeline& pipeline, VoiceDevice& device);

    // `files` empty: the desktop's own (SystemFileServices()). `boxes` must outlive the page.
    SendPage(ClientSession& session, MessageBoxes& boxes, Sending sending,
             LocalFileList::Services files = {}, QWidget* parent = nullptr);
    ~SendPage() override;

    bool ShowsTransferList() const override { return true; }

    FriendList& Friends() { return friends_; }
    LocalFileList& Files() { return *files_; }
    LocalFileListView& FileView() { return *fileView_; }
    FriendListView& FriendView() { return *friendView_; }

    // The commands of the page.
    void SendSelectedFiles();
    void FindFriend();
    void ToggleCheckAll();
    // One file to every checked friend, or to every friend; for group messages and the profile
    // page's key-change notice.
    void FanOutFile(const QString& localPath, const QString& remoteName, bool checkedOnly);
    // The notice that `own`'s keys changed, to every friend; false when its file could not be
    // written (nothing is sent).
    bool SendKeyChangeNotice(const UserProfile& own, const QDateTime& now);
    void ShowFriendDetails();
    // "文字群发", "语音群发": a message written once, sent to every checked friend.
    void GroupText();
    void GroupVoice();
    // The friend menu: a text or voice message, or the notice that the own public key changed,
    // to the first selected friend.
    void SendTextToFriend();
    void SendVoiceToFriend();
    void SendKeyNotice();

    // A drag of local files has started / ended (dropped anywhere or not at all).
    void DragStarted();
    void DragFinished(bool dropped);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // The first selected friend row; -1 when none.
    int SelectedFriend() const;
    void SelectFriend(int row);

    MessageBoxes& boxes_;
    Sending sending_;
    FriendList friends_;
    std::unique_ptr<LocalFileList> files_;
    SendPageRules rules_;
    LocationBox* location_ = nullptr;
    LocalFileListView* fileView_ = nullptr;
    QLineEdit* name_ = nullptr;
    FriendListView* friendView_ = nullptr;
    QPushButton* checkAll_ = nullptr;
    QMenu* friendMenu_ = nullptr;
};

}  // namespace tessan
