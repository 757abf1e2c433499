// The look's parts on their own: button states and sizes, the location rules and drop-down,
// Chinese texts, sizes, dates and fonts, the style's focus ring, icons, help and banner.
#include "look/look.h"
#include "look/banner.h"
#include "look/chinese.h"
#include "look/chinesefilemodel.h"
#include "look/helpwindow.h"
#include "look/icons.h"
#include "look/imagebutton.h"
#include "look/locationbox.h"
#include "look/locations.h"
#include "look/style.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileSystemModel>
#include <QImage>
#include <QRawFont>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

namespace tessan {

class LookTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void buttonStatesTakeTheirOrder();
    void buttonPaintsTheColourOfItsState();
    void buttonIsAsWideAsItsTextAndIcon();
    void buttonsAreNamedForScreenReaders();
    void plainTextDropsMnemonics();
    void locationsListRootsAndTheChainToTheFolder();
    void locationsForFoldersOutsideAndAtTheDrives();
    void userDrivesAreTheOnesAUserMeans();
    void locationBoxShowsIconsAndReportsTheChoice();
    void sizesAndDatesTheChineseWay();
    void qtsOwnTextsAreChinese();
    void missingTranslationsLeaveEnglishAndSayNo();
    void chineseFontIsInUse();
    void focusIsVisibleWithoutATabPress();
    void everyBundledIconRendersSharplyAtTwiceTheSize();
    void fileModelSpeaksChinese();
    void helpShowsTheBundledPagesInOneWindow();
    void bannerPicksItsPictureAndKeepsItsProportions();

  private:
    LookReport report_;
};

void LookTest::initTestCase() {
    report_ = ApplyLook(*qApp);
}

void LookTest::buttonStatesTakeTheirOrder() {
    QCOMPARE(StateOf(false, true, true, true), ButtonState::Disabled);
    QCOMPARE(StateOf(true, true, true, true), ButtonState::Pressed);
    QCOMPARE(StateOf(true, false, true, true), ButtonState::Hover);
    QCOMPARE(StateOf(true, false, false, true), ButtonState::Focus);
    QCOMPARE(StateOf(true, false, false, false), ButtonState::Normal);
    // Five states, five different backgrounds, in both sets.
    for (const ButtonColours& c : {ButtonColours::Standard(), ButtonColours::Accent()}) {
        QSet<QRgb> seen;
        for (ButtonState s : {ButtonState::Normal, ButtonState::Hover, ButtonState::Pressed,
                              ButtonState::Disabled, ButtonState::Focus})
            seen.insert(c.Background(s).rgb());
        QCOMPARE(seen.size(), 5);
    }
}

void LookTest::buttonPaintsTheColourOfItsState() {
    QWidget window;
    auto* button = new ImageButton(QStringLiteral("下载"), &window);
    auto* other = new ImageButton(QStringLiteral("刷新"), &window);
    button->setGeometry(0, 0, 100, 30);
    other->setGeometry(0, 40, 100, 30);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    // Wherever the pointer of the off-screen platform is, it is not over the button.
    button->setAttribute(Qt::WA_UnderMouse, false);
    // A pixel inside the border, away from the text.
    const auto background = [button] {
        return button->grab().toImage().pixelColor(4 * button->grab().devicePixelRatio(),
                                                   15 * button->grab().devicePixelRatio());
    };
    const ButtonColours colours = button->Colours();
    QCOMPARE(button->State(), ButtonState::Normal);
    QCOMPARE(background(), colours.normal);
    button->setAttribute(Qt::WA_UnderMouse, true);
    QCOMPARE(button->State(), ButtonState::Hover);
    QCOMPARE(background(), colours.hover);
    button->setDown(true);
    QCOMPARE(button->State(), ButtonState::Pressed);
    QCOMPARE(background(), colours.pressed);
    button->setDown(false);
    button->setAttribute(Qt::WA_UnderMouse, false);
    button->setEnabled(false);
    QCOMPARE(button->State(), ButtonState::Disabled);
    QCOMPARE(background(), colours.disabled);
    button->setEnabled(true);
    button->setFocus();
    QTRY_VERIFY(button->hasFocus());
    QCOMPARE(button->State(), ButtonState::Focus);
    // The ring covers the edge; further in, the focus background.
    const QImage focused = button->grab().toImage();
    const qreal dpr = button->grab().devicePixelRatio();
    QCOMPARE(focused.pixelColor(6 * dpr, 15 * dpr), colours.focus);
    QCOMPARE(focused.pixelColor(qRound(dpr), 15 * dpr), colours.ring);
    button->SetColours(ButtonColours::Accent());
    QCOMPARE(button->grab().toImage().pixelColor(6 * dpr, 15 * dpr), ButtonColours::Accent().focus);
}

void LookTest::buttonIsAsWideAsItsTextAndIcon() {
    QWidget window;
    for (const QString& text : {QStringLiteral("全选"), QStringLiteral("发送公钥给所有好友"),
                                QStringLiteral("试听>>"), QStringLiteral("删除(&D)")}) {
        ImageButton plain(text, &window);
        ImageButton withIcon(Icon(LookIcon::GoUp), text, &window);
        const int advance = plain.fontMetrics().horizontalAdvance(PlainText(text));
        QVERIFY2(plain.sizeHint().width() > advance, qPrintable(text));
        QVERIFY(withIcon.sizeHint().width() >=
                plain.sizeHint().width() + withIcon.iconSize().width());
        QVERIFY(plain.sizeHint().height() > plain.fontMetrics().height());
        QCOMPARE(plain.minimumSizeHint(), plain.sizeHint());
    }
    // A larger font, a larger button: nothing is fixed in pixels.
    ImageButton small(QStringLiteral("发送"), &window);
    ImageButton large(QStringLiteral("发送"), &window);
    QFont font = large.font();
    font.setPointSizeF(font.pointSizeF() * 2);
    large.setFont(font);
    QVERIFY(large.sizeHint().width() > small.sizeHint().width() * 3 / 2);
    QVERIFY(large.sizeHint().height() > small.sizeHint().height() * 3 / 2);
}

void LookTest::buttonsAreNamedForScreenReaders() {
    QWidget window;
    auto* text = new ImageButton(QStringLiteral("删除(&D)"), &window);
    auto* icon = ImageButton::IconOnly(Icon(LookIcon::GoUp), QStringLiteral("向上"), &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const auto name = [](QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
    };
    QCOMPARE(name(text), QStringLiteral("删除(D)"));
    text->setText(QStringLiteral("全选"));
    QCOMPARE(name(text), QStringLiteral("全选"));
    QCOMPARE(name(icon), QStringLiteral("向上"));
    QCOMPARE(icon->toolTip(), QStringLiteral("向上"));
    QCOMPARE(text->focusPolicy(), Qt::StrongFocus);
}

void LookTest::plainTextDropsMnemonics() {
    QCOMPARE(PlainText(QStringLiteral("打开(&O)")), QStringLiteral("打开(O)"));
    QCOMPARE(PlainText(QStringLiteral("A&&B")), QStringLiteral("A&B"));
    QCOMPARE(PlainText(QStringLiteral("结尾&")), QStringLiteral("结尾"));
    QCOMPARE(PlainText(QString()), QString());
}

namespace {

LocationRoots SampleRoots() {
    LocationRoots roots;
    roots.desktop = QStringLiteral("/home/li/桌面");
    roots.home = QStringLiteral("/home/li");
    roots.downloads = QStringLiteral("/home/li/下载");
    roots.drives = {Drive{QStringLiteral("/"), QString()},
                    Drive{QStringLiteral("/media/li/U盘"), QStringLiteral("U盘")}};
    return roots;
}

QStringList Labels(const std::vector<Location>& list) {
    QStringList labels;
    for (const Location& l : list) labels << QString(l.depth * 2, QLatin1Char(' ')) + l.label;
    return labels;
}

}  // namespace

void LookTest::locationsListRootsAndTheChainToTheFolder() {
    int current = -2;
    auto list = BuildLocations(SampleRoots(), QStringLiteral("/home/li/桌面/项目/二期/"), &current);
    QCOMPARE(Labels(list),
             (QStringList{u"桌面"_qs, u"  项目"_qs, u"    二期"_qs, u"主文件夹"_qs, u"下载"_qs,
                          u"我的电脑"_qs, u"  文件系统"_qs, u"  U盘"_qs}));
    QCOMPARE(current, 2);
    QCOMPARE(list[2].path, QStringLiteral("/home/li/桌面/项目/二期"));
    QCOMPARE(list[1].path, QStringLiteral("/home/li/桌面/项目"));

    // Nearest root wins: under the U盘, not under "/".
    list = BuildLocations(SampleRoots(), QStringLiteral("/media/li/U盘/照片"), &current);
    QCOMPARE(list[static_cast<std::size_t>(current)].path, QStringLiteral("/media/li/U盘/照片"));
    QCOMPARE(list[static_cast<std::size_t>(current)].depth, 2);
    QCOMPARE(list[static_cast<std::size_t>(current - 1)].label, QStringLiteral("U盘"));

    // A root itself is selected, nothing added; a name that only starts like a root is not in it.
    list = BuildLocations(SampleRoots(), QStringLiteral("/home/li"), &current);
    QCOMPARE(list.size(), std::size_t{6});
    QCOMPARE(list[static_cast<std::size_t>(current)].kind, Location::Kind::Home);
    list = BuildLocations(SampleRoots(), QStringLiteral("/home/lin/文档"), &current);
    QCOMPARE(Labels(list).mid(current - 2, 3),
             (QStringList{u"    home"_qs, u"      lin"_qs, u"        文档"_qs}));
}

void LookTest::locationsForFoldersOutsideAndAtTheDrives() {
    int current = -2;
    auto list = BuildLocations(SampleRoots(), kComputerPath, &current);
    QCOMPARE(list[static_cast<std::size_t>(current)].kind, Location::Kind::Computer);
    QCOMPARE(list[static_cast<std::size_t>(current)].path, kComputerPath);

    // Without "/" among the drives, a folder elsewhere stands alone at the end.
    LocationRoots roots = SampleRoots();
    roots.drives.erase(roots.drives.begin());
    list = BuildLocations(roots, QStringLiteral("/srv/共享"), &current);
    QCOMPARE(current, static_cast<int>(list.size()) - 1);
    QCOMPARE(list.back().label, QStringLiteral("/srv/共享"));

    // No download folder of its own (it is the home folder): not listed twice.
    roots.downloads = roots.home;
    list = BuildLocations(roots, QString(), &current);
    QCOMPARE(current, -1);
    QCOMPARE(Labels(list), (QStringList{u"桌面"_qs, u"主文件夹"_qs, u"我的电脑"_qs, u"  U盘"_qs}));
}

void LookTest::userDrivesAreTheOnesAUserMeans() {
    const QString home = QStringLiteral("/home/li");
    QVERIFY(IsUserDrive(QStringLiteral("/"), "ext4", home));
    QVERIFY(IsUserDrive(QStringLiteral("/media/li/U盘"), "vfat", home));
    QVERIFY(IsUserDrive(QStringLiteral("/mnt/data"), "ext4", home));
    QVERIFY(IsUserDrive(QStringLiteral("/run/media/li/disk"), "exfat", home));
    QVERIFY(IsUserDrive(QStringLiteral("/home/li/nas"), "nfs", home));
    QVERIFY(!IsUserDrive(QStringLiteral("/home/li"), "ext4", home));
    QVERIFY(!IsUserDrive(QStringLiteral("/boot/efi"), "vfat", home));
    QVERIFY(!IsUserDrive(QStringLiteral("/run/user/1000"), "tmpfs", home));
    QVERIFY(!IsUserDrive(QStringLiteral("/media/cdrom"), "squashfs", home));
    QVERIFY(!IsUserDrive(QStringLiteral("/snap/core/1"), "squashfs", home));
}

void LookTest::locationBoxShowsIconsAndReportsTheChoice() {
    LocationBox box(SampleRoots(), nullptr);
    QSignalSpy chosen(&box, &LocationBox::locationChosen);
    box.SetFolder(QStringLiteral("/home/li/下载/图片"));
    QCOMPARE(chosen.count(), 0);  // showing a folder is not a choice
    QCOMPARE(box.currentText(), QStringLiteral("图片"));
    QCOMPARE(box.count(), static_cast<int>(box.Locations().size()));
    for (int row = 0; row < box.count(); ++row)
        QVERIFY2(!box.itemIcon(row).pixmap(16, 16).isNull(), qPrintable(box.itemText(row)));
    const int computer = box.findText(QStringLiteral("我的电脑"));
    QVERIFY(computer >= 0);
    emit box.activated(computer);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.takeFirst().at(0).toString(), kComputerPath);
    emit box.activated(box.findText(QStringLiteral("下载")));
    QCOMPARE(chosen.takeFirst().at(0).toString(), QStringLiteral("/home/li/下载"));
    QCOMPARE(box.accessibleName(), QStringLiteral("位置"));
}

void LookTest::sizesAndDatesTheChineseWay() {
    QCOMPARE(FormatSize(0), QStringLiteral("0 字节"));
    QCOMPARE(FormatSize(1023), QStringLiteral("1,023 字节"));
    QCOMPARE(FormatSize(1024), QStringLiteral("1.0 KB"));
    QCOMPARE(FormatSize(1536), QStringLiteral("1.5 KB"));
    QCOMPARE(FormatSize(100 * 1024), QStringLiteral("100 KB"));
    QCOMPARE(FormatSize(1024 * 1024 - 1), QStringLiteral("1.0 MB"));
    QCOMPARE(FormatSize(812LL * 1024 * 1024), QStringLiteral("812 MB"));
    QCOMPARE(FormatSize(5LL * 1024 * 1024 * 1024 / 2), QStringLiteral("2.5 GB"));
    QCOMPARE(FormatDateTime(QDateTime(QDate(2026, 12, 7), QTime(9, 5))),
             QStringLiteral("2026/12/7 09:05"));
    QCOMPARE(FormatDateTime(QDateTime()), QString());
}

void LookTest::qtsOwnTextsAreChinese() {
    QVERIFY2(report_.translationsLoaded, "Qt's Chinese translations (qt6-translations-l10n)");
    QCOMPARE(QLocale().language(), QLocale::Chinese);
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                         QDialogButtonBox::No);
    const QList<QAbstractButton*> buttons = box.buttons();
    QCOMPARE(buttons.size(), 4);
    for (QAbstractButton* b : buttons) {
        // "是(&Y)": the access key in brackets is how Chinese programs mark it.
        const QString text =
            PlainText(b->text()).remove(QRegularExpression(QStringLiteral("\\([A-Z]\\)$")));
        QVERIFY2(!text.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))), qPrintable(text));
    }
}

void LookTest::missingTranslationsLeaveEnglishAndSayNo() {
    QTemporaryDir empty;
    QVERIFY(!InstallChineseTranslations(*qApp, empty.path()));
}

void LookTest::chineseFontIsInUse() {
    QVERIFY2(!report_.cjkFamily.isEmpty(), "a Chinese font (fonts-wqy-microhei)");
    QVERIFY(qApp->font().families().contains(report_.cjkFamily));
    QVERIFY(QRawFont::fromFont(QFont(report_.cjkFamily)).supportsCharacter(U'登'));
    for (const char16_t* windowsName : {u"宋体", u"SimSun", u"微软雅黑"})
        QVERIFY(QFont::substitutes(QString::fromUtf16(windowsName))
                    .contains(report_.cjkFamily, Qt::CaseInsensitive));
}

void LookTest::focusIsVisibleWithoutATabPress() {
    // Fusion alone shows the focus only after keyboard navigation; a click must show it too.
    QVERIFY(qobject_cast<TessanStyle*>(QApplication::style()));
    QCOMPARE(QApplication::palette().color(QPalette::Window),
             CalmPalette().color(QPalette::Window));
    QWidget window;
    auto* button = new QPushButton(QStringLiteral("登录"), &window);
    auto* check = new QCheckBox(QStringLiteral("记住密码"), &window);
    auto* elsewhere = new QPushButton(QStringLiteral("取消"), &window);
    button->move(0, 0);
    check->move(0, 40);
    elsewhere->move(0, 80);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    for (QWidget* w : {static_cast<QWidget*>(button), static_cast<QWidget*>(check)}) {
        elsewhere->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(elsewhere->hasFocus());
        const QImage before = w->grab().toImage();
        w->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(w->hasFocus());
        QVERIFY2(w->grab().toImage() != before, w->metaObject()->className());
    }
}

void LookTest::everyBundledIconRendersSharplyAtTwiceTheSize() {
    for (LookIcon which : {LookIcon::App, LookIcon::Folder, LookIcon::Drive, LookIcon::Computer,
                           LookIcon::Desktop, LookIcon::Home, LookIcon::Download, LookIcon::GoUp}) {
        const QIcon icon(BundledIconPath(which));
        // Scalable: drawn anew at 64 pixels, not a 16-pixel picture blown up.
        const QPixmap big = icon.pixmap(QSize(64, 64));
        QVERIFY2(big.width() == 64, qPrintable(BundledIconPath(which)));
        QVERIFY(!Icon(which).isNull());
    }
    QVERIFY(!QIcon(BundledBannerPath()).pixmap(QSize(560, 80)).isNull());
    // Message boxes take theirs from the style.
    const QIcon question = QApplication::style()->standardIcon(QStyle::SP_MessageBoxQuestion);
    QVERIFY(question.pixmap(QSize(64, 64)).width() >= 48);
    QVERIFY(!QApplication::windowIcon().isNull());
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("tessan"));
}

void LookTest::fileModelSpeaksChinese() {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("报告.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(1536, 'x'));
    file.close();
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("子文件夹")));
    QFileSystemModel files;
    ChineseFileModel model(&files);
    const QModelIndex root = model.mapFromSource(files.setRootPath(dir.path()));
    QTRY_COMPARE(model.rowCount(root), 2);
    QStringList headers;
    for (int c = 0; c < 4; ++c) headers << model.headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{u"名称"_qs, u"大小"_qs, u"类型"_qs, u"修改日期"_qs}));
    for (int row = 0; row < 2; ++row) {
        const QString name = model.index(row, 0, root).data().toString();
        const QString size = model.index(row, 1, root).data().toString();
        const QString date = model.index(row, 3, root).data().toString();
        QCOMPARE(size, name == u"报告.txt"_qs ? QStringLiteral("1.5 KB") : QString());
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}/\\d{1,2}/\\d{1,2} \\d\\d:\\d\\d$"))
                     .match(date)
                     .hasMatch(),
                 qPrintable(date));
    }
}

void LookTest::helpShowsTheBundledPagesInOneWindow() {
    QWidget owner;
    HelpWindow* help = ShowHelpWindow(&owner);
    QVERIFY(help->isVisible());
    QCOMPARE(help->windowTitle(), QStringLiteral("Tessan帮助"));
    QCOMPARE(help->Browser()->documentTitle(), QStringLiteral("Tessan帮助"));
    const QString text = help->Browser()->toPlainText();
    QVERIFY2(text.startsWith(QStringLiteral("Tessan 1.32 帮助")), qPrintable(text.left(40)));
    for (const char16_t* topic : {u"登录", u"收取文件", u"发送文件", u"地址簿", u"serverlist.ini"})
        QVERIFY2(text.contains(QString::fromUtf16(topic).remove(QLatin1Char(' '))) ||
                     text.contains(QString::fromUtf16(topic)),
                 qPrintable(QString::fromUtf16(topic)));
    QCOMPARE(ShowHelpWindow(&owner), help);
    help->close();
    QTRY_VERIFY(!owner.findChild<HelpWindow*>());
    QVERIFY(ShowHelpWindow(&owner) != nullptr);
}

void LookTest::bannerPicksItsPictureAndKeepsItsProportions() {
    QTemporaryDir dir;
    Banner bundled(dir.path());
    QCOMPARE(bundled.Shown(), Banner::Source::Bundled);
    QCOMPARE(bundled.heightForWidth(560), 80);
    QVERIFY(bundled.sizeHint().height() > 0);

    // Broken movie: the still picture stands in.
    QFile gif(dir.filePath(QStringLiteral("ad.gif")));
    QVERIFY(gif.open(QIODevice::WriteOnly));
    gif.write("not a picture");
    gif.close();
    QImage image(300, 50, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(dir.filePath(QStringLiteral("ad.png"))));
    Banner still(dir.path());
    QCOMPARE(still.Shown(), Banner::Source::Picture);
    QCOMPARE(still.heightForWidth(600), 100);
    still.resize(600, 100);
    QCOMPARE(still.grab().toImage().pixelColor(300 * still.grab().devicePixelRatio(),
                                               50 * still.grab().devicePixelRatio()),
             QColor(Qt::red));
}

}  // namespace tessan

QTEST_MAIN(tessan::LookTest)
#include "look_test.moc"
