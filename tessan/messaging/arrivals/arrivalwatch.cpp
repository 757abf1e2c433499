#include "messaging/arrivals/arrivalwatch.h"

#include "core/base/gbk.h"
#include "core/login/loginstate.h"
#include "core/session/arrivalswitch.h"
#include "messaging/received/receivedfiles.h"

namespace tessan {

std::vector<ReceivedFileEntry> NewArrivals::Take(const std::vector<ReceivedFileEntry>& entries) {
    std::vector<ReceivedFileEntry> fresh;
    for (const ReceivedFileEntry& e : entries) {
        // The sender's number never holds a NUL, so the pair cannot collide with another.
        const QByteArray key = e.senderNumber + '\0' + e.storedName;
        if (listed_.contains(key)) continue;
        listed_.insert(key);
        fresh.push_back(e);
    }
    return fresh;
}

ArrivalWatch::ArrivalWatch(LoginState& login, ReceivedFiles& received, ArrivalSwitch& onOff,
                           Notifier& notifier, const TimerFactory& timers, InView inView,
                           QObject* parent)
    : QObject(parent),
      received_(received),
      onOff_(onOff),
      notifier_(notifier),
      inView_(std::move(inView)),
      timer_(timers([this] { Check(); })) {
    connect(&login, &LoginState::ownLoginAccepted, this, &ArrivalWatch::LoginAccepted);
    // Lost, or closed by a new attempt or a recharge of the own number: a login again starts the
    // checks again.
    connect(&login, &LoginState::ownConnectionClosed, this, &ArrivalWatch::LoginEnded);
    connect(&received, &ReceivedFiles::entriesListed, this, &ArrivalWatch::Listed);
    connect(&onOff, &ArrivalSwitch::changed, this, &ArrivalWatch::SwitchChanged);
    notifier_.SetShown(onOff_.IsOn());
}

ArrivalWatch::~ArrivalWatch() = default;

bool ArrivalWatch::Watching() const {
    return loggedIn_ && onOff_.IsOn();
}

void ArrivalWatch::LoginAccepted() {
    loggedIn_ = true;
    arrivals_.Reset();
    SetUnseen(0);
    SwitchChanged(onOff_.IsOn());
}

void ArrivalWatch::LoginEnded() {
    loggedIn_ = false;
    timer_->Stop();
}

void ArrivalWatch::SwitchChanged(bool on) {
    notifier_.SetShown(on);
    if (!Watching()) {
        timer_->Stop();
        SetUnseen(0);
        return;
    }
    timer_->Start(kIntervalMs);
    Check();
}

void ArrivalWatch::WindowShown() {
    Check();
}

void ArrivalWatch::Check() {
    if (Watching()) received_.CheckInBackground();
}

void ArrivalWatch::ReceivedShown() {
    SetUnseen(0);
}

void ArrivalWatch::Listed(const std::vector<ReceivedFileEntry>& entries, bool background) {
    const std::vector<ReceivedFileEntry> fresh = arrivals_.Take(entries);
    // What the user asked for, or sees appear, needs no announcement.
    if (!background || fresh.empty() || !Watching() || (inView_ && inView_())) return;
    SetUnseen(unseen_ + static_cast<int>(fresh.size()));
    notifier_.Announce(Describe(fresh));
}

void ArrivalWatch::SetUnseen(int count) {
    if (count == unseen_) return;
    unseen_ = count;
    notifier_.ShowUnseen(count);
}

Notifier::Announcement ArrivalWatch::Describe(const std::vector<ReceivedFileEntry>& arrivals) {
    if (arrivals.size() != 1)
        return {QStringLiteral("Tessan"), QStringLiteral("%1个新文件").arg(arrivals.size())};
    const ReceivedFileEntry& e = arrivals.front();
    const QByteArray& who = e.senderName.isEmpty() ? e.senderNumber : e.senderName;
    return {GbkToQString(who), GbkToQString(e.FileName())};
}

}  // namespace tessan
