#include "messaging/sendpage/friendlist.h"
#include "messaging/sendpage/messagetexts.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace tessan {
namespace {

UserProfile Friend(const char* number, const char* name, const char* key = "key") {
    UserProfile profile;
    profile.SetText(UserProfile::Field::Number, QString::fromUtf8(number));
    profile.SetText(UserProfile::Field::Name, QString::fromUtf8(name));
    profile.SetText(UserProfile::Field::PublicKey, QString::fromUtf8(key));
    profile.SetText(UserProfile::Field::Company, QStringLiteral("单位"));
    return profile;
}

QStringList Numbers(const FriendList& list) {
    QStringList numbers;
    for (int i = 0; i < list.RowCount(); ++i) numbers.append(list.Number(i));
    return numbers;
}

TEST(FriendList, NewFriendsGoInAsTheSecondRowAndAKnownOneKeepsItsRow) {
    FriendList list;
    list.AddOrUpdateFriend(Friend("0086-10-1", "一"));
    list.AddOrUpdateFriend(Friend("0086-10-2", "二"));
    list.AddOrUpdateFriend(Friend("0086-10-3", "三"));
    EXPECT_EQ(Numbers(list), QStringList({QStringLiteral("0086-10-1"), QStringLiteral("0086-10-3"),
                                          QStringLiteral("0086-10-2")}));
    list.SetChecked(2, true);

    // A later friend-list reply with a changed key and name: same row, whole profile replaced.
    list.AddOrUpdateFriend(Friend("0086-10-2", "二号", "newkey"));
    EXPECT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.FindRow(QByteArray("0086-10-2")), 2);
    EXPECT_EQ(list.Profile(2).PublicKey(), QStringLiteral("newkey"));
    EXPECT_EQ(list.Profile(2).Text(UserProfile::Field::Company), QStringLiteral("单位"));
    EXPECT_EQ(list.data(list.index(2, FriendList::kName), Qt::DisplayRole).toString(),
              QStringLiteral("二号"));
    EXPECT_TRUE(list.Checked(2));

    EXPECT_TRUE(list.SetFriendKey(QByteArray("0086-10-3"), "k3"));
    EXPECT_EQ(list.Profile(1).PublicKey(), QStringLiteral("k3"));
    EXPECT_FALSE(list.SetFriendKey(QByteArray("0086-10-9"), "k9"));
    EXPECT_FALSE(list.SetFriendKey(QByteArray("0086-10-3"), QByteArray(32, 'k')));

    EXPECT_TRUE(list.RemoveFriend(QByteArray("0086-10-3")));
    EXPECT_FALSE(list.RemoveFriend(QByteArray("0086-10-3")));
    EXPECT_EQ(Numbers(list),
              QStringList({QStringLiteral("0086-10-1"), QStringLiteral("0086-10-2")}));
    list.ClearFriends();
    EXPECT_EQ(list.RowCount(), 0);
    list.AddOrUpdateFriend(Friend("0086-10-4", "四"));
    EXPECT_EQ(Numbers(list), QStringList({QStringLiteral("0086-10-4")}));
}

TEST(FriendList, ADragChecksOnlyTheRowUnderThePointerAndLeavingUnchecksAll) {
    FriendList list;
    for (const char* number : {"1", "2", "3"}) list.AddOrUpdateFriend(Friend(number, number));
    list.SetChecked(1, true);
    QSignalSpy targets(&list, &FriendList::dropTargetChanged);

    list.BeginDrag();
    EXPECT_TRUE(list.CheckedRows().empty());
    list.DragOver(0);
    list.DragOver(2);
    EXPECT_EQ(list.CheckedRows(), std::vector<int>({2}));
    list.DragOver(-1);  // inside the list, below the last row
    EXPECT_TRUE(list.CheckedRows().empty());
    list.DragOver(1);
    EXPECT_EQ(list.Drop(), 1);
    EXPECT_EQ(list.CheckedRows(), std::vector<int>({1}));
    EXPECT_EQ(list.DropTarget(), -1);
    ASSERT_EQ(targets.size(), 5);
    EXPECT_EQ(targets[1][0].toInt(), 2);

    list.BeginDrag();
    list.DragOver(0);
    list.EndDragOutside();
    EXPECT_TRUE(list.CheckedRows().empty());
    EXPECT_EQ(list.Drop(), -1);
}

TEST(FriendList, FindingANameIsExactAndSelectAllToggles) {
    FriendList list;
    list.AddOrUpdateFriend(Friend("1", "Zhang"));
    list.AddOrUpdateFriend(Friend("2", "王"));
    EXPECT_EQ(list.FindName(QStringLiteral("Zhang")), 0);
    EXPECT_EQ(list.FindName(QStringLiteral("zhang")), -1);
    EXPECT_EQ(list.FindName(QStringLiteral("Zhan")), -1);
    EXPECT_EQ(list.FindName(QStringLiteral("王")), 1);

    EXPECT_TRUE(list.ToggleCheckAll());
    EXPECT_EQ(list.CheckedRows(), std::vector<int>({0, 1}));
    list.SetChecked(0, false);  // the button's state stays its own
    EXPECT_FALSE(list.ToggleCheckAll());
    EXPECT_TRUE(list.CheckedRows().empty());
    EXPECT_TRUE(list.ToggleCheckAll());
}

TEST(MessageTexts, SignaturesUnderTwelveEmptyLines) {
    const QDateTime at(QDate(2026, 3, 4), QTime(5, 6, 7));
    const QString twelve(12, QLatin1Char('\n'));
    EXPECT_EQ(MessageSubject(QStringLiteral("李")), QStringLiteral("来自：李的Tessan"));
    EXPECT_EQ(GroupTextBody(QStringLiteral("李")), twelve + QStringLiteral("\t\t\t\t\t\t\t李\n"));
    EXPECT_EQ(
        FriendTextBody(QStringLiteral("李"), QStringLiteral("0086-10-1"), at),
        twelve + QStringLiteral("\t\t\t\t\t\t李  0086-10-1\n\t\t\t\t\t\t2026年03月04日  05:06:07"));
    EXPECT_EQ(KeyNoticeSubject(QStringLiteral("李")), QStringLiteral("李的公钥改变了"));
    EXPECT_TRUE(KeyNoticeBody(QStringLiteral("李"), QStringLiteral("1"), at)
                    .startsWith(QStringLiteral("李的公钥已改变，请重新加我为好友!") + twelve));
    UserProfile own;
    own.SetRawText(UserProfile::Field::Number, "0086-10-1");
    own.SetText(UserProfile::Field::Name, u"张三"_qs);
    own.SetRawText(UserProfile::Field::PublicKey, "pub");
    EXPECT_EQ(KeyChangeNoticeBody(own, at),
              u"张三的公钥已改变，请重新加我为好友!\n0086-10-1\npub\n\n\n\n\n\n\n\n"
              u"\t\t\t\t\t\t0086-10-1   张三\n\t\t\t\t\t\t2026年03月04日  05:06:07"_qs);
}

}  // namespace
}  // namespace tessan
