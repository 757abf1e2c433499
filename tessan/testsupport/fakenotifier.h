// A Notifier for tests: keeps what the desktop would have shown.
#pragma once

#include "messaging/arrivals/notifier.h"

#include <QStringList>

namespace tessan {

class FakeNotifier final : public Notifier {
  public:
    void Announce(const Announcement& a) override { announced.append(a.title + u": "_qs + a.text); }
    void ShowUnseen(int count) override { unseen = count; }
    void SetShown(bool on) override { shown = on; }

    QStringList announced;  // "title: text"
    int unseen = 0;
    bool shown = false;
};

}  // namespace tessan
