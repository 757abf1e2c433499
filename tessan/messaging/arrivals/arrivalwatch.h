// New arrivals: while the user is logged in, the received-files list is asked for in the
// background (at the login, every few minutes, when the window comes back) and what arrived since
// it was last listed is announced on the desktop. The background answers are silent
// (ReceivedFiles::CheckInBackground); the user's own lists only count as seen.
#pragma once

#include "core/base/timer.h"
#include "messaging/arrivals/notifier.h"
#include "messaging/received/receivedfileentry.h"

#include <QObject>
#include <QSet>

#include <functional>
#include <memory>
#include <vector>

namespace tessan {

class ArrivalSwitch;
class LoginState;
class ReceivedFiles;

// What counts as new: an entry whose sender and stored name (raw bytes) were not listed before
// since the last login.
class NewArrivals {
  public:
    // A new login: nothing has been listed yet.
    void Reset() { listed_.clear(); }
    // The entries of `entries` not listed before, in their order; all of them count as listed
    // afterwards.
    std::vector<ReceivedFileEntry> Take(const std::vector<ReceivedFileEntry>& entries);

  private:
    QSet<QByteArray> listed_;
};

class ArrivalWatch final : public QObject {
    Q_OBJECT
  public:
    static constexpr int kIntervalMs = 3 * 60 * 1000;
    // Whether the received-files page is in front of the user at this moment.
    using InView = std::function<bool()>;

    // Follows the own login through `login`, asks through `received` and
    // announces through `notifier`; `onOff` is the user's switch. All must outlive the watch.
    ArrivalWatch(LoginState& login, ReceivedFiles& received, ArrivalSwitch& onOff,
                 Notifier& notifier, const TimerFactory& timers, InView inView = {},
                 QObject* parent = nullptr);
    ~ArrivalWatch() override;

    // The window was shown again after being hidden or minimised: look now.
    void WindowShown();
    // The received-files page was shown: every arrival so far counts as seen.
    void ReceivedShown();

    // Logged in with the switch on.
    bool Watching() const;
    int Unseen() const { return unseen_; }

    // One arrival by the sender's name (its number when it has none) and the file name; several
    // by their count.
    static Notifier::Announcement Describe(const std::vector<ReceivedFileEntry>& arrivals);

  private:
    void LoginAccepted();
    void LoginEnded();
    void SwitchChanged(bool on);
    void Check();
    void Listed(const std::vector<ReceivedFileEntry>& entries, bool background);
    void SetUnseen(int count);

    ReceivedFiles& received_;
    ArrivalSwitch& onOff_;
    Notifier& notifier_;
    InView inView_;
    std::unique_ptr<Timer> timer_;
    NewArrivals arrivals_;
    bool loggedIn_ = false;
    int unseen_ = 0;
};

}  // namespace tessan
