#include "account/accountdialogs.h"

#include "account/recharge/rechargedialog.h"
#include "account/registration/registrationwizard.h"
#include "core/library/notificationhub.h"
#include "core/login/logindialog.h"
#include "core/session/clientsession.h"

#include <QWidget>

namespace tessan {

namespace {

// A window made without a parent (it outlives the one it opens over) still opens over it.
void CentreOver(QWidget* window, const QWidget* over) {
    if (!over) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(over->frameGeometry().center());
    window->move(frame.topLeft());
}

}  // namespace

AccountDialogs& AccountDialogs::For(ClientSession& session) {
    if (auto* own = session.findChild<AccountDialogs*>(QString(), Qt::FindDirectChildrenOnly))
        return *own;
    return *new AccountDialogs(session, {}, Registrar::kAnswerTimeoutMs, &session);
}

void AccountDialogs::Attach(ClientSession& session, LoginDialog& dialog) {
    AccountDialogs& accounts = For(session);
    connect(&dialog, &LoginDialog::registerRequested, &accounts,
            [&accounts, &dialog] { accounts.Register(&dialog); });
    connect(&dialog, &LoginDialog::rechargeRequested, &accounts,
            [&accounts, &dialog] { accounts.Recharge(&dialog); });
    connect(&accounts, &AccountDialogs::loginRemembered, &dialog,
            &LoginDialog::ReloadRememberedLogins);
}

AccountDialogs::AccountDialogs(ClientSession& session, TimerFactory timers, int answerTimeoutMs,
                               QObject* parent)
    : QObject(parent),
      session_(session),
      timers_(timers ? std::move(timers) : QtTimers(this)),
      answerTimeoutMs_(answerTimeoutMs),
      registrar_(std::make_unique<Registrar>(
          session.Lib(), session.Boxes(), session.Resolver(), session.AppDir(),
          [&session](const QString& text, bool error) { session.ShowNotice(text, error); }, timers_,
          answerTimeoutMs)) {
    connect(&session.Notifications(), &NotificationHub::registerResult, this,
            [this](const Reply& reply) { registrar_->OnResult(reply); });
    connect(registrar_.get(), &Registrar::accountRegistered, this,
            &AccountDialogs::accountRegistered);
    connect(registrar_.get(), &Registrar::loginRemembered, this, &AccountDialogs::loginRemembered);
}

AccountDialogs::~AccountDialogs() = default;

RechargeDialog* AccountDialogs::OpenRecharge() const {
    return recharge_;
}

void AccountDialogs::Register(QWidget* over) {
    if (!wizard_) wizard_ = std::make_unique<RegistrationWizard>(*registrar_, session_.Boxes());
    if (wizard_->isVisible()) return;
    wizard_->Prepare();
    CentreOver(wizard_.get(), over);
    emit wizardOpened(wizard_.get());
    wizard_->exec();
}

void AccountDialogs::Recharge(QWidget* over) {
    if (recharge_) return;
    RechargeDialog dialog(session_, session_.CurrentAccount().Bytes(), {timers_, answerTimeoutMs_},
                          over);
    recharge_ = &dialog;
    emit rechargeOpened(&dialog);
    dialog.exec();
}

}  // namespace tessan
