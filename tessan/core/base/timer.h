// Timers as a seam: rules start and stop them, the program runs them on QTimer, tests fire them.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QTimer;

namespace tessan {

class Timer {
  public:
    virtual ~Timer() = default;
    // (Re)starts the timer: it fires every `ms` milliseconds until stopped.
    virtual void Start(int ms) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
};

// Makes a timer that calls `onTimeout` each time it fires.
using TimerFactory = std::function<std::unique_ptr<Timer>(std::function<void()> onTimeout)>;

// Timers on QTimer; `owner` is the object whose life bounds the timers' callbacks.
TimerFactory QtTimers(QObject* owner);

}  // namespace tessan
