#include "account/accountdialogs.h"

#include "account/recharge/rechargedialog.h"
#include "account/registration/registrationwizard.h"

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

AccountDialogs::AccountDialogs(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)) {
    if (!services_.timers) services_.timers = QtTimers(this);
    registrar_ = std::make_unique<Registrar>(services_.library, services_.boxes, services_.appDir,
                                             services_.showNotice, services_.timers);
    connect(registrar_.get(), &Registrar::accountRegistered, this,
            &AccountDialogs::accountRegistered);
    connect(registrar_.get(), &Registrar::loginRemembered, this, &AccountDialogs::loginRemembered);
}

AccountDialogs::~AccountDialogs() = default;

void AccountDialogs::Register(QWidget* over) {
    if (!wizard_) wizard_ = std::make_unique<RegistrationWizard>(*registrar_, services_.boxes);
    if (wizard_->isVisible()) return;
    wizard_->Prepare();
    CentreOver(wizard_.get(), over);
    emit wizardOpened(wizard_.get());
    wizard_->exec();
}

void AccountDialogs::Recharge(QWidget* over, const QByteArray& number) {
    if (recharge_) return;
    RechargeDialog dialog({services_.library, services_.connectPlain, services_.boxes,
                           services_.appDir, services_.showNotice, services_.timers},
                          number, over);
    recharge_ = &dialog;
    emit rechargeOpened(&dialog);
    dialog.exec();
}

void AccountDialogs::OnCardAnswer(const Reply& reply) {
    if (recharge_) recharge_->OnCardAnswer(reply);
}

}  // namespace tessan
