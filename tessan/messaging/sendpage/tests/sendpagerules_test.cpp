#include "messaging/sendpage/sendpagerules.h"
#include "testsupport/scriptedmessageboxes.h"

#include <gtest/gtest.h>

namespace tessan {
namespace {

using Answer = MessageBoxes::Answer;

class SendPageRulesTest : public ::testing::Test {
  protected:
    SendPageRulesTest() {
        // Rows end up as 甲, 丙, 乙.
        for (const char* name : {"甲", "乙", "丙"}) {
            UserProfile profile;
            profile.SetText(UserProfile::Field::Number,
                            QStringLiteral("0086-10-%1").arg(friends.RowCount() + 1));
            profile.SetText(UserProfile::Field::Name, QString::fromUtf8(name));
            friends.AddOrUpdateFriend(profile);
        }
    }
    struct Sent {
        QStringList to;
        QStringList files;  // "local path>remote name"
    };

    FriendList friends;
    ScriptedMessageBoxes boxes;
    std::vector<Sent> sent;
    SendPageRules rules{
        friends, boxes,
        [this](const std::vector<UserProfile>& to, const std::vector<SendPageRules::File>& files) {
            Sent s;
            for (const UserProfile& p : to) s.to.append(p.Name());
            for (const auto& f : files) s.files.append(f.localPath + u'>' + f.remoteName);
            sent.push_back(s);
        }};
    const std::vector<LocalFileList::Pick> picks{
        {QStringLiteral("/d/a.txt"), QStringLiteral("a.txt")},
        {QStringLiteral("/d/b"), QStringLiteral("b")}};
};

TEST_F(SendPageRulesTest, TheSendButtonSendsEveryPickedFileToTheCheckedFriendsInListOrder) {
    rules.SendSelectedFiles(picks);  // nobody checked: nothing, not even a question
    EXPECT_TRUE(sent.empty());
    friends.SetChecked(2, true);
    friends.SetChecked(0, true);
    rules.SendSelectedFiles({});
    EXPECT_TRUE(sent.empty());

    rules.SendSelectedFiles(picks);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].to, QStringList({QStringLiteral("甲"), QStringLiteral("乙")}));
    EXPECT_EQ(sent[0].files,
              QStringList({QStringLiteral("/d/a.txt>a.txt"), QStringLiteral("/d/b>b")}));
    EXPECT_TRUE(boxes.Shown().empty());
    // Checks survive a send.
    EXPECT_EQ(friends.CheckedRows(), std::vector<int>({0, 2}));
}

TEST_F(SendPageRulesTest, ADropOnOneFriendSendsToThatFriendOnly) {
    friends.SetChecked(2, true);
    friends.BeginDrag();
    friends.DragOver(2);
    friends.DragOver(1);
    const int target = friends.Drop();
    boxes.Script({Answer::No, Answer::Yes});
    EXPECT_FALSE(rules.ConfirmDrop(target));
    EXPECT_TRUE(rules.ConfirmDrop(target));
    EXPECT_EQ(boxes.Texts()[0], QStringLiteral("确实要发送给：丙吗？"));
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("确认"));
    EXPECT_EQ(boxes.Shown()[0].icon, MessageBoxes::Icon::Question);
    rules.SendSelectedFiles(picks);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].to, QStringList({QStringLiteral("丙")}));
}

TEST_F(SendPageRulesTest, AFriendWithoutANameIsShownByNumber) {
    UserProfile nameless;  // a friend on a server that sends only number and key
    nameless.SetText(UserProfile::Field::Number, QStringLiteral("0086-21-7"));
    friends.AddOrUpdateFriend(nameless);
    const int row = friends.FindRow("0086-21-7");
    EXPECT_EQ(friends.data(friends.index(row, FriendList::kName), Qt::DisplayRole).toString(),
              QStringLiteral("0086-21-7"));
    boxes.Script({Answer::No});
    rules.ConfirmDrop(row);
    EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("确实要发送给：0086-21-7吗？")});
}

TEST_F(SendPageRulesTest, GroupMessagesNeedACheckedFriendAndFanOutToThemOrToAll) {
    EXPECT_FALSE(rules.CheckedFriendsChosen());
    EXPECT_EQ(boxes.Texts(), QStringList({QStringLiteral("请先选择要接收的好友!")}));
    friends.SetChecked(1, true);
    EXPECT_TRUE(rules.CheckedFriendsChosen());

    rules.FanOutFile(QStringLiteral("/c/周报.txt"), QStringLiteral("周报.txt"), true);
    rules.FanOutFile(QStringLiteral("/c/k.txt"), QStringLiteral("k.txt"), false);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].to, QStringList({QStringLiteral("丙")}));
    EXPECT_EQ(sent[0].files, QStringList({QStringLiteral("/c/周报.txt>周报.txt")}));
    EXPECT_EQ(sent[1].to.size(), 3);
}

TEST_F(SendPageRulesTest, FindIsExactSelectAllTogglesAndDesktopDropsAreOnlyShown) {
    EXPECT_EQ(rules.FindFriend(QString()), -1);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(rules.FindFriend(QStringLiteral("乙 ")), -1);
    EXPECT_EQ(boxes.Texts(), QStringList({QStringLiteral("无此好友!")}));
    EXPECT_EQ(rules.FindFriend(QStringLiteral("乙")), 2);
    EXPECT_TRUE(friends.Checked(2));

    EXPECT_EQ(rules.ToggleCheckAll(), QStringLiteral("取消"));
    EXPECT_EQ(friends.CheckedRows().size(), 3u);
    EXPECT_EQ(rules.ToggleCheckAll(), QStringLiteral("全选"));
    EXPECT_TRUE(friends.CheckedRows().empty());

    boxes.Reset();
    rules.ShowDroppedPaths(
        {QStringLiteral("/x/1"), QStringLiteral("/x/2"), QStringLiteral("/x/3")});
    EXPECT_EQ(boxes.Texts(), QStringList({QStringLiteral("The file path is /x/1"),
                                          QStringLiteral("The file path is /x/2"),
                                          QStringLiteral("The file path is /x/3")}));
    EXPECT_TRUE(sent.empty());
}

}  // namespace
}  // namespace tessan
