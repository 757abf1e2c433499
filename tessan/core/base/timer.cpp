#include "core/base/timer.h"

#include <QPointer>
#include <QTimer>

namespace tessan {

namespace {

class QtTimer final : public Timer {
  public:
    QtTimer(QObject* owner, std::function<void()> onTimeout) : timer_(new QTimer(owner)) {
        QObject::connect(timer_, &QTimer::timeout, timer_, std::move(onTimeout));
    }
    ~QtTimer() override { delete timer_.data(); }
    QtTimer(const QtTimer&) = delete;
    QtTimer& operator=(const QtTimer&) = delete;

    void Start(int ms) override {
        if (timer_) timer_->start(ms);
    }
    void Stop() override {
        if (timer_) timer_->stop();
    }
    bool IsActive() const override { return timer_ && timer_->isActive(); }

  private:
    // Parented to the owner, which may go first; QPointer notices.
    QPointer<QTimer> timer_;
};

}  // namespace

TimerFactory QtTimers(QObject* owner) {
    QPointer<QObject> guard(owner);
    return [guard](std::function<void()> onTimeout) -> std::unique_ptr<Timer> {
        return std::make_unique<QtTimer>(guard.data(), std::move(onTimeout));
    };
}

}  // namespace tessan
