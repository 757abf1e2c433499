#include "messaging/arrivals/traynotifier.h"

#include "look/icons.h"

#include <QFont>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace tessan {

TrayNotifier::TrayNotifier(QObject* parent) : QObject(parent), icon_(Icon(LookIcon::App)) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    menu_ = std::make_unique<QMenu>();
    menu_->addAction(QStringLiteral("打开Tessan"), this, &TrayNotifier::openRequested);
    menu_->addAction(QStringLiteral("退出"), this, &TrayNotifier::quitRequested);
    tray_ = std::make_unique<QSystemTrayIcon>(icon_);
    tray_->setToolTip(QStringLiteral("Tessan"));
    tray_->setContextMenu(menu_.get());
    connect(tray_.get(), &QSystemTrayIcon::messageClicked, this,
            &TrayNotifier::announcementClicked);
    connect(tray_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    emit openRequested();
            });
}

// The icon goes before the menu it shows.
TrayNotifier::~TrayNotifier() {
    tray_.reset();
}

void TrayNotifier::Announce(const Announcement& announcement) {
    if (!tray_ || !tray_->isVisible() || !QSystemTrayIcon::supportsMessages()) return;
    // Desktop notification services read the body as markup; a file name from the network
    // is text, never a link.
    tray_->showMessage(announcement.title, announcement.text.toHtmlEscaped(), icon_);
}

void TrayNotifier::ShowUnseen(int count) {
    if (!tray_) return;
    tray_->setIcon(IconWithCount(icon_, count));
    tray_->setToolTip(count > 0 ? QStringLiteral("Tessan - %1个新文件").arg(count)
                                : QStringLiteral("Tessan"));
}

void TrayNotifier::SetShown(bool shown) {
    if (tray_) tray_->setVisible(shown);
}

QIcon TrayNotifier::IconWithCount(const QIcon& icon, int count) {
    if (count <= 0) return icon;
    constexpr int kSide = 64;
    QPixmap pixmap = icon.pixmap(kSide, kSide);
    if (pixmap.isNull()) {
        pixmap = QPixmap(kSide, kSide);
        pixmap.fill(Qt::transparent);
    }
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF badge(kSide * 0.4, kSide * 0.4, kSide * 0.6, kSide * 0.6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xd0, 0x20, 0x20));
    painter.drawEllipse(badge);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(count > 99 ? kSide / 5 : kSide / 3);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter,
                     count > 99 ? QStringLiteral("99+") : QString::number(count));
    painter.end();
    return QIcon(pixmap);
}

}  // namespace tessan
