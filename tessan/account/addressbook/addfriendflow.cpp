#include "account/addressbook/addfriendflow.h"

namespace tessan {

AddFriendFlow::AddFriendFlow(MessageBoxes& boxes) : boxes_(boxes) {
    AskForNumber();
}

void AddFriendFlow::AskForNumber() {
    view_.prompt = QStringLiteral("请输入好友的Tessan号码:");
    view_.backEnabled = false;
    view_.nextLabel = QStringLiteral("下一步>>");
}

bool AddFriendFlow::Next(const QString& editText) {
    view_.editText.reset();
    view_.selectAll = false;
    ++step_;
    if (step_ == 1) {
        friendNumber_ = editText;
        if (friendNumber_.isEmpty()) {
            step_ = 0;
            boxes_.Tell(QStringLiteral("请输入添加好友的Tessan号码!"));
            return false;
        }
        view_.backEnabled = true;
        view_.nextLabel = QStringLiteral("完成");
        view_.prompt = QStringLiteral("请输入好友的公钥:");
        // By default a public key is the account number.
        view_.editText = friendNumber_;
        view_.selectAll = true;
        return false;
    }
    step_ = 2;
    friendKey_ = editText;
    if (friendKey_.isEmpty()) {
        step_ = 1;
        boxes_.Tell(QStringLiteral("请输入添加好友的上传密码!"));
        return false;
    }
    return true;
}

void AddFriendFlow::Back() {
    view_.editText.reset();
    view_.selectAll = false;
    if (step_ == 1) {
        view_.editText = friendNumber_;
        view_.selectAll = true;
    }
    step_ = 0;
    AskForNumber();
}

}  // namespace tessan
