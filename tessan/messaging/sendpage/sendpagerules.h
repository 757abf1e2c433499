// SendPageRules: what the send page's buttons, search and drags do with the friend list, apart
// from the widgets. Files and messages leave through `fanOut`, the sending pipeline's fan-out
// with queueing: for each recipient in list order, each file in turn.
#pragma once

#include "core/base/messageboxes.h"
#include "core/browser/localfilelist.h"
#include "messaging/sendpage/friendlist.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace tessan {

class SendPageRules {
  public:
    struct File {
        QString localPath;
        QString remoteName;  // the name the file gets in the recipient's space
    };
    using FanOutFn =
        std::function<void(const std::vector<UserProfile>& to, const std::vector<File>& files)>;

    SendPageRules(FriendList& friends, MessageBoxes& boxes, FanOutFn fanOut);

    // "发送": the picked files to every checked friend. Nothing is asked first; without files or
    // without a checked friend nothing happens.
    void SendSelectedFiles(const std::vector<LocalFileList::Pick>& picks);
    // One file to every checked friend (`checkedOnly`) or to every friend.
    void FanOutFile(const QString& localPath, const QString& remoteName, bool checkedOnly);

    // Group text and voice need a checked friend; false after telling the user so.
    bool CheckedFriendsChosen();
    // "查找": the first friend whose name is exactly `text` (at most 127 characters are read) is
    // checked and its row returned; -1 after "无此好友!", or for an empty text.
    int FindFriend(const QString& text);
    // "全选"/"取消": toggles every check; returns the button's new text.
    QString ToggleCheckAll();
    // The end of a drag of local files over the friend list: the target friend asked for by
    // name; true when the user agreed to send to that friend alone.
    bool ConfirmDrop(int row);
    // Files dragged in from the desktop are only shown, one box each; nothing is sent.
    void ShowDroppedPaths(const QStringList& paths);

  private:
    FriendList& friends_;
    MessageBoxes& boxes_;
    FanOutFn fanOut_;
};

}  // namespace tessan
