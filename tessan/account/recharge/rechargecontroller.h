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
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace tessan {

class RechargeController final : public QObject {
    Q_OBJECT
  public:
    enum Step { kAskNumber = 0, kAnswered = 1, kAskCard = 2, kRequestSent = 3 };
    enum class Focus { None, First, Second, CardTypes };

    // What the dialog shows: two boxes with their labels, the card-type list (shown in the place
    // of the status line, enabled or locked, with its selection) and the action button. The
    // dialog writes the user's typing and choice into it and shows it again on formChanged.
    struct Form {
        QString first;
        QString second;
        QString firstLabel = QStringLiteral("输入Tessan号码：");
        QString secondLabel = QStringLiteral("确认Tessan号码：");
        QString action = QStringLiteral("下一步");
        bool actionEnabled = true;
        bool cardTypesShown = false;
        bool cardTypesEnabled = true;
        int cardType = -1;  // -1: none; a selection by the rules moves no service period
        QString status;
        Focus focus = Focus::None;  // where the focus goes next; the dialog puts it back to None
        bool closed = false;        // the request went out: the dialog closes
    };

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
                       QString appDir, ShowNotice showNotice, const TimerFactory& timers,
                       int answerTimeoutMs = kAnswerTimeoutMs, QObject* parent = nullptr);
    ~RechargeController() override;

    Form& CurrentForm() { return form_; }

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

  signals:
    // The rules changed the form.
    void formChanged();

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
    Form form_;
};

}  // namespace tessan
