#include "core/browser/localfilelist.h"
#include "core/browser/fileproperties.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <unistd.h>

namespace tessan {
namespace {

using Answer = MessageBoxes::Answer;
using Kind = LocalFileList::Kind;

QStringList Utf8List(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* text : texts) list.append(QString::fromUtf8(text));
    return list;
}

// A temporary tree with two "drives" and a desktop; the list's trash is a folder of the tree.
class LocalFileListTest : public ::testing::Test {
  protected:
    LocalFileListTest() {
        for (const char* folder : {"driveA/sub/deeper", "driveB", "desk", "trash"})
            QDir(root()).mkpath(QString::fromLatin1(folder));
        LocalFileList::Services services;
        services.desktopFolder = path("desk");
        services.volumes = [this] {
            return std::vector<Volume>{{path("driveA"), QStringLiteral("系统")},
                                       {path("driveB"), QString()}};
        };
        services.openFile = [this](const QString& file) {
            opened.append(file);
            return openSucceeds;
        };
        services.moveToTrash = [this](const QString& file) {
            trashed.append(file);
            return trashAvailable &&
                   QFile::rename(file, path("trash/") + QFileInfo(file).fileName());
        };
        list = std::make_unique<LocalFileList>(boxes, services);
        QObject::connect(list.get(), &LocalFileList::locationChanged, list.get(),
                         [this](const QString& location) { locations.append(location); });
    }

    QString root() const { return tree.path(); }
    QString path(const char* relative) const { return tree.filePath(QString::fromUtf8(relative)); }
    void Make(const char* relative, const QByteArray& content = "x") {
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray Read(const char* relative) const {
        QFile file(path(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList Names() const {
        QStringList names;
        for (int i = 0; i < list->RowCount(); ++i) names.append(list->RowAt(i).name);
        return names;
    }
    int Row(const char* name) const { return list->FindRow(QString::fromUtf8(name)); }

    QTemporaryDir tree;
    ScriptedMessageBoxes boxes;
    QStringList opened;
    QStringList trashed;
    QStringList locations;
    bool openSucceeds = true;
    bool trashAvailable = true;
    std::unique_ptr<LocalFileList> list;
};

TEST_F(LocalFileListTest, FoldersComeFirstAndNamesSortWithAsciiLettersFolded) {
    for (const char* folder : {"zeta", "Alpha", "beta"})
        QDir(path("driveA/sub")).mkdir(QString::fromLatin1(folder));
    for (const char* file : {"b.txt", "a.txt", "A.txt", "_x", "C", "文件"})
        Make((std::string("driveA/sub/") + file).c_str());
    ASSERT_TRUE(QFile::link(path("driveB"), path("driveA/sub/link")));
    ASSERT_TRUE(QFile::link(path("driveA/sub/nowhere"), path("driveA/sub/broken")));

    ASSERT_TRUE(list->ShowFolder(path("driveA/sub/"), false));
    EXPECT_EQ(list->CurrentFolder(), path("driveA/sub"));
    // '_' sorts before the letters only when they are folded to lower case; UTF-8 bytes last.
    EXPECT_EQ(Names(), Utf8List({"..", "Alpha", "beta", "deeper", "link", "zeta", "_x", "A.txt",
                                 "a.txt", "b.txt", "broken", "C", "文件"}));
    EXPECT_EQ(list->RowAt(Row("link")).kind, Kind::Folder);
    EXPECT_EQ(list->RowAt(Row("broken")).kind, Kind::File);
    EXPECT_EQ(list->PathOf(Row("C")), path("driveA/sub/C"));

    // A link to a folder is entered like the folder, and ".." leads back by the path taken.
    list->Open(Row("link"));
    EXPECT_EQ(list->CurrentFolder(), path("driveA/sub/link"));
    list->Open(Row(".."));
    EXPECT_EQ(list->CurrentFolder(), path("driveA/sub"));
}

TEST_F(LocalFileListTest, MyComputerListsTheUsersPlacesBeforeTheDrives) {
    QDir(root()).mkpath(QStringLiteral("home/下载"));
    LocalFileList::Services services;
    services.homeFolder = path("home/");
    services.desktopFolder = path("home");  // no desktop folder: the home folder stands in
    services.downloadsFolder = path("home/下载");
    services.volumes = [this] { return std::vector<Volume>{{path("driveA"), QString()}}; };
    LocalFileList computer(boxes, services);
    ASSERT_TRUE(computer.ShowFolder(LocalFileList::kComputer, false));
    ASSERT_EQ(computer.RowCount(), 3);
    const auto shown = [&](int row) {
        return computer.data(computer.index(row), Qt::DisplayRole).toString();
    };
    EXPECT_EQ(computer.RowAt(0).kind, Kind::Home);
    EXPECT_EQ(shown(0), QStringLiteral("主文件夹"));
    EXPECT_EQ(computer.RowAt(1).kind, Kind::Downloads);
    EXPECT_EQ(shown(1), QStringLiteral("下载"));
    EXPECT_EQ(computer.RowAt(2).kind, Kind::Drive);
    // A place is entered, never renamed, deleted or sent.
    EXPECT_FALSE(computer.flags(computer.index(1)) & Qt::ItemIsEditable);
    EXPECT_TRUE(computer.PickedFiles({0, 1}).empty());
    computer.Delete({0, 1});
    EXPECT_TRUE(boxes.Shown().empty());
    computer.Open(1);
    EXPECT_EQ(computer.CurrentFolder(), path("home/下载"));
    computer.GoUp();
    EXPECT_EQ(computer.CurrentFolder(), path("home"));

    // A folder that is missing is not listed.
    services.downloadsFolder = path("gone");
    LocalFileList without(boxes, services);
    without.ShowFolder(LocalFileList::kComputer, false);
    EXPECT_EQ(without.RowCount(), 2);
}

TEST_F(LocalFileListTest, UpGoesFromAFolderToADriveToTheDrivesToTheDesktop) {
    Make("desk/note.txt");
    ASSERT_TRUE(list->ShowFolder(path("driveA/sub"), false));
    EXPECT_EQ(list->RowAt(0).kind, Kind::Up);

    list->GoUp();  // the drive's root has no ".." row
    EXPECT_EQ(list->CurrentFolder(), path("driveA"));
    EXPECT_EQ(Names(), Utf8List({"sub"}));

    list->GoUp();
    EXPECT_TRUE(list->CurrentFolder().isEmpty());
    EXPECT_EQ(list->Location(), LocalFileList::kComputer);
    EXPECT_EQ(Names(), QStringList({path("desk"), path("driveA"), path("driveB")}));
    EXPECT_EQ(list->RowAt(1).kind, Kind::Drive);
    EXPECT_EQ(list->data(list->index(1), Qt::DisplayRole).toString(),
              QStringLiteral("系统 (%1)").arg(path("driveA")));
    EXPECT_EQ(list->PathOf(2), path("driveB"));

    list->GoUp();
    EXPECT_TRUE(list->TopLevel());
    EXPECT_EQ(list->CurrentFolder(), path("desk"));
    EXPECT_EQ(Names(), QStringList({LocalFileList::kComputer, QStringLiteral("note.txt")}));

    list->GoUp();  // the top: nothing
    EXPECT_EQ(list->CurrentFolder(), path("desk"));

    // The "我的电脑" row of the desktop shows the drives; a drive row enters the drive.
    list->Open(0);
    EXPECT_EQ(list->Location(), LocalFileList::kComputer);
    EXPECT_FALSE(list->TopLevel());
    list->Open(2);
    EXPECT_EQ(list->CurrentFolder(), path("driveB"));

    EXPECT_EQ(locations, QStringList({path("driveA/sub"), path("driveA"), LocalFileList::kComputer,
                                      path("desk"), LocalFileList::kComputer, path("driveB")}));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(LocalFileListTest, AFolderThatCannotBeReadKeepsTheListingAndSaysWhy) {
    Make("driveA/sub/keep.txt");
    ASSERT_TRUE(list->ShowFolder(path("driveA/sub"), false));
    const QStringList before = Names();
    locations.clear();

    Make("driveA/plain");
    std::vector<QString> refused = {path("driveA/missing"), path("driveA/plain"),
                                    QStringLiteral("relative/folder")};
    if (::geteuid() != 0) {  // permissions do not stop the superuser
        QDir(root()).mkdir(QStringLiteral("closed"));
        QFile::setPermissions(path("closed"), QFileDevice::Permissions());
        refused.push_back(path("closed"));
    }
    for (const QString& folder : refused) {
        boxes.Reset();
        EXPECT_FALSE(list->ShowFolder(folder, true)) << folder.toStdString();
        EXPECT_EQ(Names(), before);
        EXPECT_EQ(list->CurrentFolder(), path("driveA/sub"));
        EXPECT_FALSE(list->TopLevel());
        ASSERT_EQ(boxes.Shown().size(), 1u);
        const QString text = boxes.Shown()[0].text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("无法打开文件夹:\"%1\"\n").arg(folder)));
        EXPECT_GT(text.size(), QStringLiteral("无法打开文件夹:\"%1\"\n").arg(folder).size());
    }
    EXPECT_TRUE(locations.isEmpty());
    if (::geteuid() != 0)
        QFile::setPermissions(path("closed"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
}

TEST_F(LocalFileListTest, DeletingSeveralRowsAsksOnceAndTrashesFromTheLastRowUp) {
    for (const char* file : {"driveA/sub/one", "driveA/sub/two", "driveA/sub/three"}) Make(file);
    ASSERT_TRUE(list->ShowFolder(path("driveA/sub"), false));
    const std::vector<int> selected = {Row(".."), Row("one"), Row("three"), Row("two")};

    boxes.Script({Answer::No});
    list->Delete(selected);
    EXPECT_EQ(boxes.Texts(), QStringList({QStringLiteral("确实要删除这3个文件吗？")}));
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("警告！"));
    EXPECT_EQ(boxes.Shown()[0].defaultAnswer, Answer::No);
    EXPECT_TRUE(trashed.isEmpty());

    boxes.Reset();
    boxes.Script({Answer::Yes});
    list->Delete(selected);
    EXPECT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(trashed, QStringList({path("driveA/sub/two"), path("driveA/sub/three"),
                                    path("driveA/sub/one")}));
    EXPECT_EQ(Names(), Utf8List({"..", "deeper"}));
    EXPECT_EQ(Read("trash/two"), QByteArray("x"));

    // One file: the question names it.
    Make("driveA/sub/last");
    list->RefreshFolder();
    boxes.Reset();
    list->Delete({Row("last")});
    EXPECT_EQ(
        boxes.Texts(),
        QStringList({QStringLiteral("确实要删除文件:\"%1\"吗？").arg(path("driveA/sub/last"))}));
}

TEST_F(LocalFileListTest, WithoutATrashNothingIsDeletedForGoodUnlessTheUserSaysSo) {
    trashAvailable = false;
    Make("driveB/a");
    Make("driveB/b");
    QDir(root()).mkpath(QStringLiteral("elsewhere/inside"));
    Make("elsewhere/inside/kept");
    ASSERT_TRUE(QFile::link(path("elsewhere"), path("driveB/link")));
    ASSERT_TRUE(list->ShowFolder(path("driveB"), false));
    const std::vector<int> all = {0, 1, 2};

    boxes.Script({Answer::Yes, Answer::No});
    list->Delete(all);
    EXPECT_EQ(boxes.Texts(),
              QStringList({QStringLiteral("确实要删除这3个文件吗？"),
                           QStringLiteral("有3个文件无法移到回收站，是否彻底删除？")}));
    EXPECT_EQ(boxes.Shown()[1].defaultAnswer, Answer::No);
    EXPECT_EQ(Names(), Utf8List({"link", "a", "b"}));
    EXPECT_EQ(Read("driveB/a"), QByteArray("x"));

    boxes.Reset();
    boxes.Script({Answer::Yes, Answer::Yes});
    list->Delete(all);
    EXPECT_TRUE(Names().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path("driveB/a")));
    EXPECT_FALSE(QFileInfo(path("driveB/link")).isSymLink());
    // The link went, not the folder it points to.
    EXPECT_EQ(Read("elsewhere/inside/kept"), QByteArray("x"));
}

TEST_F(LocalFileListTest, RenameRefusesWhatIsNotAFreeFileNameAndNeverReplaces) {
    Make("driveA/sub/old.txt", "old");
    Make("driveA/sub/other.txt", "other");
    ASSERT_TRUE(list->ShowFolder(path("driveA/sub"), false));
    const int row = Row("old.txt");

    EXPECT_FALSE(list->Rename(Row(".."), QStringLiteral("renamed")));
    EXPECT_FALSE(list->Rename(row, QString()));
    EXPECT_FALSE(list->Rename(row, QStringLiteral("old.txt")));
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_TRUE(QFileInfo(path("driveA")).isDir());

    for (const QString& bad : {QStringLiteral("../escape"), QStringLiteral("a/b"),
                               QStringLiteral("nul") + QChar(0), QStringLiteral("..")}) {
        boxes.Reset();
        EXPECT_FALSE(list->Rename(row, bad));
        EXPECT_EQ(boxes.Shown().size(), 1u);
    }
    boxes.Reset();
    EXPECT_FALSE(list->Rename(row, QStringLiteral("other.txt")));
    EXPECT_EQ(
        boxes.Texts(),
        QStringList({QStringLiteral("已经存在名为\"other.txt\"的文件或文件夹，请换一个名字!")}));
    EXPECT_FALSE(list->Rename(row, QStringLiteral("deeper")));  // a folder's name too
    EXPECT_EQ(Read("driveA/sub/old.txt"), QByteArray("old"));
    EXPECT_EQ(Read("driveA/sub/other.txt"), QByteArray("other"));
    EXPECT_EQ(list->RowAt(row).name, QStringLiteral("old.txt"));

    // Through the view's editing: the row keeps its place under the new name.
    EXPECT_TRUE(list->setData(list->index(row), QStringLiteral("新名字.txt"), Qt::EditRole));
    EXPECT_EQ(list->RowAt(row).name, QStringLiteral("新名字.txt"));
    EXPECT_EQ(Read("driveA/sub/新名字.txt"), QByteArray("old"));
    EXPECT_FALSE(QFileInfo::exists(path("driveA/sub/old.txt")));
    EXPECT_FALSE(list->flags(list->index(Row(".."))).testFlag(Qt::ItemIsEditable));
}

TEST_F(LocalFileListTest, OpeningAFileAsksTheDesktopAndReportsAFailure) {
    Make("driveA/sub/doc.txt");
    ASSERT_TRUE(list->ShowFolder(path("driveA/sub"), false));
    list->Open(Row("doc.txt"));
    EXPECT_EQ(opened, QStringList({path("driveA/sub/doc.txt")}));
    EXPECT_TRUE(boxes.Shown().empty());

    openSucceeds = false;
    list->Open(Row("doc.txt"));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text,
              QStringLiteral("不能打开文件:\"%1\"").arg(path("driveA/sub/doc.txt")));
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("错误"));
    EXPECT_EQ(boxes.Shown()[0].icon, MessageBoxes::Icon::Error);
}

TEST_F(LocalFileListTest, OnlyFilesArePickedForSendingInListOrder) {
    Make("driveA/sub/b");
    Make("driveA/sub/a");
    ASSERT_TRUE(list->ShowFolder(path("driveA/sub"), false));
    const auto picks = list->PickedFiles({Row("b"), Row(".."), Row("deeper"), Row("a")});
    ASSERT_EQ(picks.size(), 2u);
    EXPECT_EQ(picks[0].path, path("driveA/sub/a"));
    EXPECT_EQ(picks[1].name, QStringLiteral("b"));

    // A drag carries the files and folders, never ".." or a drive.
    std::unique_ptr<QMimeData> mime(list->mimeData(
        {list->index(Row("..")), list->index(Row("a")), list->index(Row("deeper"))}));
    EXPECT_EQ(mime->urls(), QList<QUrl>({QUrl::fromLocalFile(path("driveA/sub/a")),
                                         QUrl::fromLocalFile(path("driveA/sub/deeper"))}));
}

TEST(FileProperties, DescribeTypeLocationSizeAndPermissions) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2048, 'a'));
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);

    const FileProperties properties = DescribeFile(file.fileName());
    QStringList labels;
    for (const auto& [label, value] : properties.lines) labels.append(label);
    const auto value = [&](const char* label) {
        for (const auto& [l, v] : properties.lines)
            if (l == QString::fromUtf8(label)) return v;
        return QString();
    };
    EXPECT_EQ(properties.name, QStringLiteral("notes.txt"));
    EXPECT_TRUE(value("类型:").contains(QStringLiteral("text/plain")));
    EXPECT_EQ(value("位置:"), QDir::cleanPath(dir.path()));
    EXPECT_EQ(value("大小:"), QStringLiteral("2.0 KB (2,048 字节)"));
    EXPECT_EQ(value("权限:"), QStringLiteral("rw-r-----"));
    EXPECT_TRUE(labels.contains(QStringLiteral("修改时间:")));

    const FileProperties folder = DescribeFile(dir.path());
    EXPECT_EQ(folder.lines[0].second, QStringLiteral("文件夹"));
    EXPECT_TRUE(DescribeFile(dir.filePath(QStringLiteral("gone"))).lines.empty());
}

}  // namespace
}  // namespace tessan
