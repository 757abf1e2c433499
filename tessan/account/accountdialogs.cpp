#include "account/accountdialogs.h"

#include "account/recharge/rechargedialog.h"
#include "account/registration/registrationwizard.h"
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

AccountDialogs::AccountDialogs(ClientSession& session, Connections& connections, LoginState& login,
                               MessageBoxes& boxes, ServerBoxes& serverBoxes,
                               HostResolver& resolver, TimerFactory timers, int answerTimeoutMs,
                               QObject* parent)
    : QObject(parent),
      session_(session),
      boxes_(boxes),
      resolver_(resolver),
      timers_(timers ? std::move(timers) : QtTimers(this)),
      answerTimeoutMs_(answerTimeoutMs),
      registrar_(std::make_unique<Registrar>(
          connections, boxes, resolver, session.AppDir(),
          [&session](const QString& text, bool error) { session.ShowNotice(text, error); }, timers_,
          answerTimeoutMs)),
      rechargeLine_(session, connections, serverBoxes, login, timers_) {
    connect(registrar_.get(), &Registrar::accountRegistered, this,
            &AccountDialogs::accountRegistered);
    connect(registrar_.get(), &Registrar::loginRemembered, this, &AccountDialogs::loginRemembered);
}

AccountDialogs::~AccountDialogs() = default;

void AccountDialogs::Attach(LoginDialog& dialog) {
    connect(&dialog, &LoginDialog::registerRequested, this, [this, &dialog] { Register(&dialog); });
    connect(&dialog, &LoginDialog::rechargeRequested, this, [this, &dialog] { Recharge(&dialog); });
    connect(this, &AccountDialogs::loginRemembered, &dialog, &LoginDialog::ReloadRememberedLogins);
}

RechargeDialog* AccountDialogs::OpenRecharge() const {
    return recharge_;
}

void AccountDialogs::Register(QWidget* over) {
    if (!wizard_) wizard_ = std::make_unique<RegistrationWizard>(*registrar_, boxes_);
    if (wizard_->isVisible()) return;
    wizard_->Prepare();
    CentreOver(wizard_.get(), over);
    emit wizardOpened(wizard_.get());
    wizard_->exec();
}

void AccountDialogs::Recharge(QWidget* over) {
    if (recharge_) return;
    RechargeDialog dialog(session_, rechargeLine_, boxes_, resolver_,
                          session_.CurrentAccount().Bytes(), {timers_, answerTimeoutMs_}, over);
    recharge_ = &dialog;
    emit rechargeOpened(&dialog);
    dialog.exec();
}

}  // namespace tessan
