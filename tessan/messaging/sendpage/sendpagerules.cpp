#include "messaging/sendpage/sendpagerules.h"

namespace tessan {

SendPageRules::SendPageRules(FriendList& friends, MessageBoxes& boxes, FanOutFn fanOut)
    : friends_(friends), boxes_(boxes), fanOut_(std::move(fanOut)) {}

void SendPageRules::SendSelectedFiles(const std::vector<LocalFileList::Pick>& picks) {
    std::vector<File> files;
    files.reserve(picks.size());
    for (const LocalFileList::Pick& pick : picks) files.push_back(File{pick.path, pick.name});
    std::vector<UserProfile> to;
    for (int row : friends_.CheckedRows()) to.push_back(friends_.Profile(row));
    if (files.empty() || to.empty()) return;
    fanOut_(to, files);
}

void SendPageRules::FanOutFile(const QString& localPath, const QString& remoteName,
                               bool checkedOnly) {
    std::vector<UserProfile> to;
    for (int row = 0; row < friends_.RowCount(); ++row)
        if (!checkedOnly || friends_.Checked(row)) to.push_back(friends_.Profile(row));
    if (to.empty()) return;
    fanOut_(to, {File{localPath, remoteName}});
}

bool SendPageRules::CheckedFriendsChosen() {
    if (!friends_.CheckedRows().empty()) return true;
    boxes_.Tell(QStringLiteral("请先选择要接收的好友!"));
    return false;
}

int SendPageRules::FindFriend(const QString& text) {
    const QString name = text.left(127);
    if (name.isEmpty()) return -1;
    const int row = friends_.FindName(name);
    if (row < 0) {
        boxes_.Tell(QStringLiteral("无此好友!"));
        return -1;
    }
    friends_.SetChecked(row, true);
    return row;
}

QString SendPageRules::ToggleCheckAll() {
    return friends_.ToggleCheckAll() ? QStringLiteral("取消") : QStringLiteral("全选");
}

bool SendPageRules::ConfirmDrop(int row) {
    if (row < 0 || row >= friends_.RowCount()) return false;
    return boxes_.AskYesNo(QStringLiteral("确实要发送给：%1吗？").arg(friends_.Label(row)),
                           QStringLiteral("确认"));
}

void SendPageRules::ShowDroppedPaths(const QStringList& paths) {
    for (const QString& path : paths) boxes_.Tell(QStringLiteral("The file path is %1").arg(path));
}

}  // namespace tessan
