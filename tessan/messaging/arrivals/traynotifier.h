// TrayNotifier: the program's Notifier, an icon in the desktop's tray with the number of unseen
// arrivals and the menu "打开Tessan" / "退出"; announcements are the desktop's notifications
// through the tray (the freedesktop notification service where the desktop runs one). Where the
// desktop has no tray, nothing is shown and nothing fails.
#pragma once

#include "messaging/arrivals/notifier.h"

#include <QIcon>
#include <QObject>

#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace tessan {

class TrayNotifier final : public QObject, public Notifier {
    Q_OBJECT
  public:
    explicit TrayNotifier(QObject* parent = nullptr);
    ~TrayNotifier() override;

    // Whether the desktop has a tray for the icon.
    bool HasTray() const { return tray_ != nullptr; }

    void Announce(const Announcement& announcement) override;
    void ShowUnseen(int count) override;
    void SetShown(bool shown) override;

    // The icon with `count` drawn on it; the plain icon for 0.
    static QIcon IconWithCount(const QIcon& icon, int count);

  signals:
    // "打开Tessan", or a click on the icon.
    void openRequested();
    // "退出".
    void quitRequested();
    // A click on an announcement.
    void announcementClicked();

  private:
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    QIcon icon_;
};

}  // namespace tessan
