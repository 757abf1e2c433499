// Timers for tests: they never fire by themselves; the test fires them and reads their state.
#pragma once

#include "core/base/timer.h"

#include <vector>

namespace tessan {

class FakeTimer final : public Timer {
  public:
    explicit FakeTimer(std::function<void()> onTimeout) : onTimeout_(std::move(onTimeout)) {}
    void Start(int ms) override {
        interval = ms;
        active = true;
        ++starts;
    }
    void Stop() override { active = false; }
    bool IsActive() const override { return active; }
    // Fires once if running, as the clock reaching its interval would.
    void Fire() {
        if (active) onTimeout_();
    }

    int interval = 0;
    bool active = false;
    int starts = 0;

  private:
    std::function<void()> onTimeout_;
};

// Makes FakeTimers and keeps a pointer to each, in creation order.
class FakeTimers {
  public:
    TimerFactory Factory() {
        return [this](std::function<void()> onTimeout) {
            auto timer = std::make_unique<FakeTimer>(std::move(onTimeout));
            made.push_back(timer.get());
            return std::unique_ptr<Timer>(std::move(timer));
        };
    }
    std::vector<FakeTimer*> made;
};

}  // namespace tessan
