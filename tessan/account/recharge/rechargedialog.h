// RechargeDialog, "帐号充值": the number typed twice, then the card number, password and type.
// The rules are RechargeController's; this shows its form.
#pragma once

#include "account/recharge/rechargecontroller.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QStackedWidget;

namespace tessan {

class ClientSession;
class ImageButton;

class RechargeDialog final : public QDialog {
    Q_OBJECT
  public:
    struct Timing {
        // Empty: QTimers owned by the dialog.
        TimerFactory timers;
        int answerTimeoutMs = RechargeController::kAnswerTimeoutMs;
    };

    // Opens for `accountNumber` (GBK; the current account, or empty when nobody is logged in),
    // asking through `line`, whose answers it hears while it exists. Everything must outlive it.
    RechargeDialog(ClientSession& session, RechargeLine& line, MessageBoxes& boxes,
                   HostResolver& resolver, const QByteArray& accountNumber, Timing timing,
                   QWidget* parent = nullptr);
    ~RechargeDialog() override;

    const RechargeController& Controller() const { return *controller_; }

  public slots:
    void reject() override;

  private:
    // The controller's form, into the widgets.
    void Render();

    QLabel* firstLabel_;
    QLineEdit* first_;
    QLabel* secondLabel_;
    QLineEdit* second_;
    QStackedWidget* typeOrStatus_;
    QComboBox* cardTypes_;
    QLabel* period_;
    QLabel* status_;
    ImageButton* action_;
    std::unique_ptr<RechargeController> controller_;
};

}  // namespace tessan
