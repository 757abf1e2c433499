#include "account/settings/logdocument.h"
#include "account/settings/profilesettings.h"
#include "core/base/gbk.h"
#include "testsupport/fakelibrary.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessan {
namespace {

using F = UserProfile::Field;
using B = ProfileBox;

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes, bool append = false) {
    QFile f(path);
    ASSERT_TRUE(f.open(append ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Numbered CR LF lines of GBK text, `count` of them.
QByteArray LogLines(int first, int count) {
    QByteArray out;
    for (int i = first; i < first + count; ++i)
        out += QStringToGbk(u"[发送] 第%1行 文件:报告.doc,"_qs.arg(
                   QString::number(i).rightJustified(5, u'0'))) +
               "\r\n";
    return out;
}

class LogDocumentTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString path = dir.filePath(u"log.txt"_qs);
    LogDocument doc;
};

TEST_F(LogDocumentTest, ALongLogShowsItsTailAndSavingKeepsTheUnseenHead) {
    const QByteArray original = LogLines(0, 6300);  // about 200 KiB
    ASSERT_GT(original.size(), 200 * 1024);
    WriteAll(path, original);
    ASSERT_TRUE(doc.Load(path));
    const qsizetype from = original.size() - LogDocument::kShownBytes;
    EXPECT_EQ(doc.Text(), GbkToQString(original.mid(from)).remove(u'\r'));
    EXPECT_TRUE(doc.Text().endsWith(u"第06299行 文件:报告.doc,\n"_qs));

    // Edit the last line but one; everything else keeps its bytes.
    QString edited = doc.Text();
    edited.replace(u"第06298行"_qs, u"第6298行（改）"_qs);
    ASSERT_TRUE(doc.Save(path, edited));
    QByteArray expected = original;
    expected.replace(QStringToGbk(u"第06298行"_qs), QStringToGbk(u"第6298行（改）"_qs));
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_EQ(ReadAll(path).left(from), original.left(from));

    // Unchanged text saves back byte for byte, even a view that starts inside a character.
    ASSERT_TRUE(doc.Load(path));
    ASSERT_TRUE(doc.Save(path, doc.Text()));
    EXPECT_EQ(ReadAll(path), expected);
}

TEST_F(LogDocumentTest, LinesAppendedWhileThePageIsOpenSurviveTheSave) {
    WriteAll(path, LogLines(0, 3));
    ASSERT_TRUE(doc.Load(path));
    WriteAll(path, LogLines(3, 1), true);  // a transfer finishes meanwhile
    QString edited = doc.Text();
    edited.remove(0, edited.indexOf(u'\n') + 1);  // the user deletes the first line
    ASSERT_TRUE(doc.Save(path, edited));
    EXPECT_EQ(ReadAll(path), LogLines(1, 3));
    // The next save still knows where the shown part ends.
    WriteAll(path, LogLines(4, 1), true);
    ASSERT_TRUE(doc.Save(path, edited + u"备注"_qs));
    EXPECT_EQ(ReadAll(path), LogLines(1, 2) + QStringToGbk(u"备注"_qs) + LogLines(3, 2));
}

TEST_F(LogDocumentTest, InvalidGbkIsShownReplacedAndSavedBackUntouched) {
    const QByteArray broken = "ok\r\nbad \x81\xFF\x80 end\r\nlast \xC4";
    WriteAll(path, broken + "\r\n");
    ASSERT_TRUE(doc.Load(path));
    EXPECT_TRUE(doc.Text().contains(QChar(0xFFFD)));
    ASSERT_TRUE(doc.Save(path, u"new first\n"_qs + doc.Text().mid(3)));
    EXPECT_EQ(ReadAll(path), "new first\r\n" + broken.mid(4) + "\r\n");
    // Lines added at the end take the file's own line end.
    ASSERT_TRUE(doc.Save(path, doc.Text() + u"加"_qs));
    EXPECT_EQ(ReadAll(path), "new first\r\n" + broken.mid(4) + "\r\n" + QStringToGbk(u"加"_qs));
}

TEST_F(LogDocumentTest, AMissingLogIsCreatedBySaving) {
    EXPECT_FALSE(doc.Load(path));
    EXPECT_TRUE(doc.Text().isEmpty());
    ASSERT_TRUE(doc.Save(path, u"a\nb"_qs));
    EXPECT_EQ(ReadAll(path), "a\r\nb");
    // A folder that does not exist cannot take the log; nothing is written.
    EXPECT_FALSE(doc.Save(dir.filePath(u"no/log.txt"_qs), u"x"_qs));
}

class ProfileSettingsTest : public ::testing::Test {
  protected:
    ProfileSettingsTest() {
        own.SetRawText(F::Number, "0086-10-1234567");
        own.SetText(F::Name, u"张三"_qs);
        own.SetRawText(F::PublicKey, "pub");
        own.SetRawText(F::PrivateKey, "priv");
        own.SetText(F::Company, u"公司"_qs);
        own.SetUserType('2');
    }
    ProfileValues Filled() {
        current.Set("0086-10-1234567");
        auto v = *settings.ValuesToShow();
        At(v, B::Confirmation) = At(v, B::PrivateKey);
        return v;
    }

    UserProfile own;
    AccountText current;
    FakeLibrary library;
    ScriptedMessageBoxes boxes;
    // What the key notice was asked to announce; false makes it fail.
    QStringList announced;
    bool noticeWritten = true;
    ProfileSettings settings{
        library, boxes, current, [this]() -> const UserProfile& { return own; },
        [this](const UserProfile& p, const QDateTime& now) {
            announced << p.Name() + u' ' + p.PublicKey() + u' ' + now.toString(Qt::ISODate);
            return noticeWritten;
        }};
};

TEST_F(ProfileSettingsTest, ChecksStopAtTheFirstFailureWithItsFocus) {
    EXPECT_FALSE(settings.ValuesToShow());  // no login: the boxes keep what they hold
    ProfileValues v = Filled();
    EXPECT_EQ(At(v, B::Type), u"高级用户[200M]"_qs);
    EXPECT_EQ(At(settings.ValuesToShow().value(), B::Confirmation), QString());

    const std::pair<std::function<void(ProfileValues&)>, std::pair<QString, ProfileBox>> cases[] = {
        {[](ProfileValues& x) { At(x, B::PrivateKey).clear(); },
         {u"必需输入私钥"_qs, B::PrivateKey}},
        {[](ProfileValues& x) { At(x, B::Confirmation) = u"other"_qs; },
         {u"两次输入的私钥不相同！"_qs, B::PrivateKey}},
        {[](ProfileValues& x) { At(x, B::PublicKey).clear(); },
         {u"必须输入正确的公钥"_qs, B::PublicKey}},
        {[](ProfileValues& x) { At(x, B::PublicKey) = At(x, B::PrivateKey); },
         {u"公钥不能和私钥相同!"_qs, B::PublicKey}},
        {[](ProfileValues& x) { At(x, B::Name).clear(); }, {u"必须输入正确的用户名!"_qs, B::Name}},
    };
    for (const auto& [change, expected] : cases) {
        boxes.Reset();
        ProfileValues bad = v;
        change(bad);
        EXPECT_EQ(settings.Save(bad), expected.second);
        EXPECT_EQ(boxes.Texts(), QStringList{expected.first});
    }
    EXPECT_TRUE(library.calls.empty());
    EXPECT_FALSE(settings.NoticeEnabled());
}

TEST_F(ProfileSettingsTest, SaveSendsAFreshProfileAndEnablesTheNoticeEvenWhenRefused) {
    ProfileValues v = Filled();
    At(v, B::PrivateKey) = At(v, B::Confirmation) = u"newpriv"_qs;
    At(v, B::Mobile) = u"139"_qs;
    auto raw = own.Bytes();
    raw[900] = 1;  // reserved bytes of the stored profile are not sent back
    own = *UserProfile::FromBytes(raw);
    QSignalSpy enabled(&settings, &ProfileSettings::noticeEnabledChanged);
    EXPECT_FALSE(settings.Save(v));
    ASSERT_EQ(library.modifiedProfiles.size(), 1u);
    UserProfile expected;
    expected.SetRawText(F::Number, "0086-10-1234567");
    expected.SetText(F::Name, u"张三"_qs);
    expected.SetRawText(F::PublicKey, "pub");
    expected.SetRawText(F::PrivateKey, "newpriv");
    expected.SetText(F::Company, u"公司"_qs);
    expected.SetRawText(F::Mobile, "139");
    expected.SetUserType('2');
    EXPECT_EQ(library.modifiedProfiles[0].Bytes(), expected.Bytes());
    EXPECT_TRUE(settings.NoticeEnabled());
    EXPECT_TRUE(boxes.Shown().empty());

    library.Script(u"ModifyUser"_qs, {-1});
    EXPECT_FALSE(settings.Save(v));
    EXPECT_EQ(boxes.Texts(), QStringList{u"修改用户信息失败!"_qs});
    EXPECT_TRUE(settings.NoticeEnabled());
    EXPECT_EQ(enabled.count(), 1);
}

TEST_F(ProfileSettingsTest, KeyNoticeAnnouncesTheOwnProfileTheServerHoldsOnceWritten) {
    // Not what was typed: a refused save changes nothing on the server.
    ProfileValues v = Filled();
    At(v, B::PublicKey) = u"typed"_qs;
    library.Script(u"ModifyUser"_qs, {-1});
    settings.Save(v);
    const QDateTime now(QDate(2026, 3, 4), QTime(5, 6, 7));
    noticeWritten = false;
    EXPECT_FALSE(settings.SendKeyNotice(now));
    EXPECT_TRUE(settings.NoticeEnabled());
    noticeWritten = true;
    EXPECT_TRUE(settings.SendKeyNotice(now));
    EXPECT_EQ(announced.last(), u"张三 pub 2026-03-04T05:06:07"_qs);
    EXPECT_FALSE(settings.NoticeEnabled());

    // The server stored a save and sent the profile back; then another login.
    own.SetRawText(F::PublicKey, "new");
    settings.Save(Filled());
    EXPECT_TRUE(settings.SendKeyNotice(now));
    EXPECT_EQ(announced.last(), u"张三 new 2026-03-04T05:06:07"_qs);
    own.SetRawText(F::Number, "0086-10-7");
    own.SetText(F::Name, u"李四"_qs);
    settings.Save(Filled());
    EXPECT_TRUE(settings.SendKeyNotice(now));
    EXPECT_EQ(announced.last(), u"李四 new 2026-03-04T05:06:07"_qs);
}

}  // namespace
}  // namespace tessan
