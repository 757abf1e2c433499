// The rules of the recharge dialog: a small state machine that checks the account number typed
// twice, asks the account's server over a plain connection whether and how the account can be
// recharged, then takes the card and sends the recharge request. The server checks the card.
#pragma once

#include "account/recharge/rechargeline.h"
#include "core/base/messageboxes.h"
#include "core/base/timer.h"
#include "core/library/notifications.h"
#include "core/login/serverlookup.h"

#include <QByteArray>
#include <QString>

#include <QStringList>

#include <functional>
#include <memory>

namespace tessan {

// The dialog's controls as the rules see them: two boxes with their labels, the card-type list
// with its label, the status line that stands in the list's place until the list is shown, and
// the action button.
class RechargeView {
  public:
    virtual ~RechargeView() = default;
    virtual QString FirstText() const = 0;
    virtual QString SecondText() const = 0;
    virtual void SetFirstText(const QString& text) = 0;
    virtual void SetSecondText(const QString& text) = 0;
    virtual void SetLabels(const QString& first, const QString& second) = 0;
    virtual void SetActionText(const QString& text) = 0;
    virtual void SetActionEnabled(bool enabled) = 0;
    // Shows the status line in the card type's place, or the card-type list and its label (the
    // list enabled or locked) in place of the status line.
    virtual void ShowStatusLine() = 0;
    virtual void ShowCardTypes(bool enabled) = 0;
    virtual void SetStatus(const QString& text) = 0;
    // A selection made by the program: the service period does not follow it. -1 selects none.
    virtual void SelectCardType(int index) = 0;
    virtual int SelectedCardType() const = 0;  // -1 when none
    virtual void FocusFirst() = 0;
    virtual void FocusSecond() = 0;
    virtual void FocusCardTypes() = 0;
    // Closes the dialog; the request has gone out.
    virtual void Close() = 0;
};

class RechargeController {
  public:
    enum Step { kAskNumber = 0, kAnswered = 1, kAskCard = 2, kRequestSent = 3 };

    using ShowNotice = std::function<void(const QString& text, bool error)>;

    // How long the query's answer is awaited before the dialog gives up on the server.
    static constexpr int kAnswerTimeoutMs = 30000;
    // Numbers, card numbers and card passwords travel in 32-byte fields.
    static constexpr int kMaxInput = 31;

    static const QStringList kCardTypes;  // the entries of the card-type list, in order
    // The service period shown for a card type chosen by the user; empty outside the list.
    static QString ServicePeriod(int index);

    // The query and the request go through `line`; `resolver` looks up a server named by its
    // host name. Both must outlive the controller.
    RechargeController(RechargeLine& line, MessageBoxes& boxes, HostResolver& resolver,
                       QString appDir, RechargeView& view, ShowNotice showNotice,
                       const TimerFactory& timers, int answerTimeoutMs = kAnswerTimeoutMs);
    ~RechargeController();

    // The dialog opens for `accountNumber` (GBK; empty when nobody is logged in).
    void Open(const QByteArray& accountNumber);
    // The action button.
    void Act();
    // Notification 41 while the dialog is open.
    void OnCardAnswer(const Reply& reply);
    // The line's connection went: a query that waits for its answer could not reach the server.
    void OnConnectionLost();
    // "取消", Esc or the close box.
    void Cancel();

    int CurrentStep() const { return step_; }
    char Verdict() const { return verdict_; }
    QByteArray AccountNumber() const { return accountNumber_; }
    bool AwaitingAnswer() const { return awaitingAnswer_; }
    bool LookingUp() const { return lookup_->Pending(); }

  private:
    void AskServer();
    // The number's server was looked up: connect and ask it.
    void Query(const QByteArray& server, int port, const LookupResult& found);
    // The connection to `server_` could not be opened (`result`, 0 when it failed later).
    void ConnectFailed(int result);
    void ShowAnswer();
    void TakeCard();
    void NoAnswer();

    RechargeLine& line_;
    MessageBoxes& boxes_;
    QString appDir_;
    RechargeView& view_;
    ShowNotice showNotice_;
    std::unique_ptr<Timer> answerTimer_;
    int answerTimeoutMs_;
    std::unique_ptr<ServerLookup> lookup_;

    int step_ = kAskNumber;
    char verdict_ = '0';
    bool awaitingAnswer_ = false;
    bool ownsConnection_ = false;  // this dialog opened the line
    QByteArray accountNumber_;
    QByteArray server_;  // where the query goes
    int port_ = 0;
    QByteArray cardNumber_;
    QByteArray cardPassword_;
};

}  // namespace tessan
