// A Notifier for tests: keeps what the desktop would have shown.
#pragma once

#include "messaging/arrivals/notifier.h"

#include <vector>

namespace tessan {

class FakeNotifier final : public Notifier {
  public:
    void Announce(const Announcement& announcement) override { announced.push_back(announcement); }
    void ShowUnseen(int count) override { unseen = count; }
    void SetShown(bool on) override { shown = on; }

    std::vector<Announcement> announced;
    int unseen = 0;
    bool shown = false;
};

}  // namespace tessan
