// Notifier: where the client tells the desktop about new arrivals. The program's is the tray icon
// (TrayNotifier); tests keep what would have been shown (FakeNotifier).
#pragma once

#include <QString>

namespace tessan {

class Notifier {
  public:
    struct Announcement {
        QString title;
        QString text;
    };

    virtual ~Notifier() = default;
    // One desktop notification; nothing where the desktop shows none.
    virtual void Announce(const Announcement& announcement) = 0;
    // The arrivals the user has not seen yet; 0 shows none.
    virtual void ShowUnseen(int count) = 0;
    // Whether anything is shown at all (the user's switch).
    virtual void SetShown(bool shown) = 0;
};

}  // namespace tessan
